# gauge_module_bitmaps(NAME)
#
# A gauge whose folder holds bitmaps.cpp carries the bitmaps that code draws:
# gauge_artgen (art/) draws them at build time; a Windows module carries them
# as bitmap resources (bitmaps.rc, compiled by the resource compiler), a
# native module as the section .gauge_bitmaps of its file (art/bitmap_blob.h),
# added after linking and never loaded or exported.
function(gauge_module_bitmaps name)
  if(NOT EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/bitmaps.cpp)
    return()
  endif()
  get_property(tool GLOBAL PROPERTY GAUGE_ART_TOOL)
  get_property(tool_depends GLOBAL PROPERTY GAUGE_ART_TOOL_DEPENDS)
  if(NOT tool)
    message(FATAL_ERROR "${name} has bitmaps, but art/ was not added before the gauges")
  endif()
  set(out ${CMAKE_CURRENT_BINARY_DIR}/bitmaps)
  add_custom_command(
    OUTPUT ${out}/bitmaps.blob ${out}/bitmaps.rc
    COMMAND ${tool} ${name} --fonts ${GAUGE_ART_FONT_DIR} --out ${out}
    DEPENDS ${tool_depends}
    COMMENT "Drawing the bitmaps of ${name}"
    VERBATIM)
  add_custom_target(${name}_bitmaps DEPENDS ${out}/bitmaps.blob ${out}/bitmaps.rc)
  add_dependencies(${name} ${name}_bitmaps)
  if(WIN32)
    target_sources(${name} PRIVATE ${out}/bitmaps.rc)
  else()
    set_property(TARGET ${name} APPEND PROPERTY LINK_DEPENDS ${out}/bitmaps.blob)
    add_custom_command(TARGET ${name} POST_BUILD
      COMMAND ${CMAKE_OBJCOPY} --add-section .gauge_bitmaps=${out}/bitmaps.blob
              --set-section-flags .gauge_bitmaps=readonly,contents $<TARGET_FILE:${name}>
      VERBATIM)
  endif()
endfunction()
