# The built-in default bitmap font, made at build time: tools/makedefaultfont rasterises
# DejaVu Sans (fonts-dejavu-core) into generated/defaultfont/VortanDefaultFontData.inc, which
# engine/graphics/VortanDefaultFont.cpp compiles into vortan_shell. Include this file from the
# root CMakeLists after vortan_shell and the tools are defined.
set(VORTAN_DEFAULT_FONT_DIR ${CMAKE_BINARY_DIR}/generated/defaultfont)
set(VORTAN_DEFAULT_FONT_INC ${VORTAN_DEFAULT_FONT_DIR}/VortanDefaultFontData.inc)
file(MAKE_DIRECTORY ${VORTAN_DEFAULT_FONT_DIR})

# Built with sanitizers the tool runs at build time: a report about the font libraries' own
# caches must not fail the build.
add_custom_command(OUTPUT ${VORTAN_DEFAULT_FONT_INC}
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0 TSAN_OPTIONS=report_bugs=0
            $<TARGET_FILE:makedefaultfont> ${VORTAN_DEFAULT_FONT_INC}
    DEPENDS makedefaultfont
    COMMENT "Rasterising the default bitmap font"
    VERBATIM)
add_custom_target(vortan_default_font DEPENDS ${VORTAN_DEFAULT_FONT_INC})
add_dependencies(vortan_shell vortan_default_font)
target_include_directories(vortan_shell PRIVATE ${VORTAN_DEFAULT_FONT_DIR})
set_source_files_properties(${CMAKE_SOURCE_DIR}/engine/graphics/VortanDefaultFont.cpp
    PROPERTIES OBJECT_DEPENDS ${VORTAN_DEFAULT_FONT_INC})
