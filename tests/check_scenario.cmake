# Runs a scenario script and holds what it produced to stored files: its
# trace, line for line, and the mix of the sounds it played, byte for byte.
#   cmake -DBENCH=... -DMODULES=... -DSCRIPT=x.bench -DOUTPUT=dir
#         [-DEXPECTED_TRACE=x.trace] [-DEXPECTED_AUDIO=x.wav] -P check_scenario.cmake
get_filename_component(name ${SCRIPT} NAME_WE)
set(trace ${OUTPUT}/${name}.trace)
set(audio ${OUTPUT}/${name}.wav)
file(MAKE_DIRECTORY ${OUTPUT})
execute_process(
  COMMAND ${BENCH} run ${SCRIPT} --modules ${MODULES} --trace ${trace} --audio ${audio}
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${SCRIPT}: gaugebench exited with ${status}")
endif()
foreach(kind TRACE AUDIO)
  if(DEFINED EXPECTED_${kind})
    string(TOLOWER ${kind} made)
    execute_process(
      COMMAND ${CMAKE_COMMAND} -E compare_files ${EXPECTED_${kind}} ${${made}}
      RESULT_VARIABLE differs)
    if(NOT differs EQUAL 0)
      if(kind STREQUAL "TRACE")
        execute_process(COMMAND diff -u ${EXPECTED_${kind}} ${${made}})
      endif()
      message(FATAL_ERROR "${${made}} differs from ${EXPECTED_${kind}}")
    endif()
  endif()
endforeach()
