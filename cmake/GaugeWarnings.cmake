# One set of warnings for every target of the project.
function(gauge_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                         -Wno-sign-conversion)
  if(GAUGE_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
