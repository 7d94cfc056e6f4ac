# add_gauge_module(NAME SOURCES file...)
#
# A gauge module: one shared library holding the frame and one gauge. It
# exports `Linkage` and `ImportTable` and nothing else, carries its own static
# state, and allocates nothing; it needs no C++ runtime of its own.
set(GAUGE_FRAME_DIR ${CMAKE_CURRENT_LIST_DIR}/../frame)
if(WIN32)
  include(GaugeWindows)
endif()
include(GaugeArt)

function(add_gauge_module name)
  cmake_parse_arguments(ARG "" "" "SOURCES" ${ARGN})
  add_library(${name} MODULE ${ARG_SOURCES} ${GAUGE_FRAME_DIR}/module.cpp)
  target_link_libraries(${name} PRIVATE gauge_frame)
  gauge_warnings(${name})
  set_target_properties(${name} PROPERTIES
    PREFIX ""
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON
    LIBRARY_OUTPUT_DIRECTORY ${GAUGE_MODULE_DIR})
  target_compile_options(${name} PRIVATE -fno-exceptions -fno-rtti)
  if(WIN32)
    set_target_properties(${name} PROPERTIES SUFFIX ".gau")
    gauge_windows_module(${name})
  else()
    # Static state must start fresh when the bench loads the module again,
    # so nothing may pin the library in memory after it is unloaded (clang
    # makes no unique symbols to begin with).
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
      target_compile_options(${name} PRIVATE -fno-gnu-unique)
    endif()
    target_link_options(${name} PRIVATE
      -Wl,--version-script=${GAUGE_FRAME_DIR}/exports.map -Wl,-z,defs)
  endif()
  # The bitmaps drawn by the gauge's bitmaps.cpp, when it has one.
  gauge_module_bitmaps(${name})
  set_property(GLOBAL APPEND PROPERTY GAUGE_MODULES ${name})
endfunction()
