# What a gauge module needs on Windows, beyond what every build gives it:
# the two exports of the module definition file and nothing else, the
# version resource, no C++ runtime or GCC DLL, and a PE header that any
# Windows of the simulator's era (95, 98, NT 4) accepts.
enable_language(RC)

set(GAUGE_VERSION_COMPANY "The cockpit gauges authors")
set(GAUGE_VERSION_PRODUCT "Cockpit gauges for Flight Simulator 98")
set(GAUGE_VERSION_COPYRIGHT "Copyright (c) the cockpit gauges authors. MIT licence.")
# The simulator lists modules by this description; the mode panel says what it is.
set(GAUGE_DESCRIPTION_guidepanel "Flight Simulator 98 Gauge: flight director mode panel")
set(GAUGE_DESCRIPTION_DEFAULT "Flight Simulator 98 Gauge")

# Windows 95 and NT 4 are version 4.0; a newer number would keep them from
# loading the module.
set(GAUGE_WINDOWS_VERSION_FLAGS
  -Wl,--major-os-version,4 -Wl,--minor-os-version,0
  -Wl,--major-subsystem-version,4 -Wl,--minor-subsystem-version,0)

function(gauge_windows_module name)
  set(GAUGE_VERSION_NAME ${name})
  if(DEFINED GAUGE_DESCRIPTION_${name})
    set(GAUGE_VERSION_DESCRIPTION "${GAUGE_DESCRIPTION_${name}}")
  else()
    set(GAUGE_VERSION_DESCRIPTION "${GAUGE_DESCRIPTION_DEFAULT}")
  endif()
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${name}_version.rc)
  configure_file(${GAUGE_FRAME_DIR}/version.rc.in ${rc} @ONLY)
  target_sources(${name} PRIVATE ${rc} ${GAUGE_FRAME_DIR}/exports.def)
  # Unused code and data go; GCC's and the C++ library's parts that the code
  # does use are linked in, never loaded from a DLL.
  target_compile_options(${name} PRIVATE -ffunction-sections -fdata-sections
                         -fno-asynchronous-unwind-tables)
  target_link_options(${name} PRIVATE
    -static -static-libgcc -Wl,--gc-sections -Wl,--no-insert-timestamp
    -Wl,--subsystem,windows ${GAUGE_WINDOWS_VERSION_FLAGS}
    $<$<NOT:$<CONFIG:Debug>>:-s>)
endfunction()

# gauge_windows_bench(LIBRARY PROGRAM)
#
# The bench as a Windows program: the same sources, with the world's
# Windows parts (the real main window, registry key and host folder) and the
# tap on the modules' DirectSound that reports each play. It runs on any
# Windows or under Wine with nothing beside it: no C++ runtime or GCC DLL.
function(gauge_windows_bench library program)
  # CLI11 is headers only; the build machine's copy serves the cross build.
  find_path(GAUGE_CLI11_INCLUDE_DIR CLI/CLI.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH
            NO_DEFAULT_PATH)
  if(NOT GAUGE_CLI11_INCLUDE_DIR)
    message(FATAL_ERROR "The CLI11 headers are missing: install libcli11-dev")
  endif()
  set(headers ${CMAKE_BINARY_DIR}/build-machine-headers)
  file(MAKE_DIRECTORY ${headers})
  file(CREATE_LINK ${GAUGE_CLI11_INCLUDE_DIR}/CLI ${headers}/CLI SYMBOLIC)
  target_include_directories(${program} SYSTEM PRIVATE ${headers})
  target_link_options(${program} PRIVATE -static -Wl,--subsystem,console)

  set(bench ${PROJECT_SOURCE_DIR}/bench)
  target_sources(${library} PRIVATE ${bench}/world/world_win.cpp ${bench}/host/sound_tap_win.cpp)
  target_link_libraries(${library} PUBLIC user32 advapi32 dsound dxguid)
endfunction()

# gauge_windows_dist()
#
# `cmake --build build/mingw --target dist` makes build/mingw/dist/
# gauges-VERSION-win32.zip for panel builders: the .gau files, the panel
# entries to paste, short install notes and the licence, the text files with
# Windows line ends.
function(gauge_windows_dist)
  get_property(modules GLOBAL PROPERTY GAUGE_MODULES)
  set(name gauges-${PROJECT_VERSION})
  set(out ${CMAKE_BINARY_DIR}/dist)
  set(texts ${out}/texts)
  set(zip ${out}/${name}-win32.zip)
  configure_file(${PROJECT_SOURCE_DIR}/dist/INSTALL.txt ${texts}/INSTALL.txt @ONLY NEWLINE_STYLE CRLF)
  configure_file(${PROJECT_SOURCE_DIR}/dist/panel.cfg ${texts}/panel.cfg @ONLY NEWLINE_STYLE CRLF)
  configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${texts}/LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
  set(files)
  foreach(module ${modules})
    list(APPEND files $<TARGET_FILE:${module}>)
  endforeach()
  list(APPEND files ${texts}/INSTALL.txt ${texts}/panel.cfg ${texts}/LICENSE.txt)
  add_custom_command(OUTPUT ${zip}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${out}/${name} ${zip}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${out}/${name}
    COMMAND ${CMAKE_COMMAND} -E copy ${files} ${out}/${name}
    COMMAND ${CMAKE_COMMAND} -E chdir ${out} ${CMAKE_COMMAND} -E tar cf ${zip} --format=zip ${name}
    DEPENDS ${modules} ${texts}/INSTALL.txt ${texts}/panel.cfg ${texts}/LICENSE.txt
    COMMENT "Packing ${name}-win32.zip for panel builders"
    VERBATIM)
  add_custom_target(dist DEPENDS ${zip})
endfunction()
