# Compiles each source for 32-bit x86, where every record's offsets and
# sizes are checked at compile time.
foreach(source ${SOURCES})
  execute_process(
    COMMAND ${COMPILER} -m32 -std=c++20 -fsyntax-only -Wall -Wextra -Werror -fno-exceptions
            -fno-rtti -I${SOURCE_DIR} ${source}
    RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "32-bit layout check failed for ${source}")
  endif()
  message(STATUS "32-bit layout holds: ${source}")
endforeach()
