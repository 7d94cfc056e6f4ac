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
