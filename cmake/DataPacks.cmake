# The platform's data packs, made at build time from the sources in data/ by the project's
# own tools (tools/) and packed with vortanpack into the build directory, beside the program,
# which looks for its packs in its own directory. data/packs.txt lists every pack with the
# entries the program loads from it by name.
#
# Target `datapacks` (part of ALL) builds them all. The 56 x 56 reload picture is drawn here
# too and compiled into orlo_platform as PNG bytes (platform/OrloReloadImage.h).

set(DATAPACK_OUT ${CMAKE_BINARY_DIR})
set(DATAPACK_WORK ${CMAKE_BINARY_DIR}/datapacks)
set(DATAPACK_DATA ${CMAKE_SOURCE_DIR}/data)
# The screen sizes (smaller side, pixels) of the size-variant packs.
set(DATAPACK_SIZES 640 480 360 320 240)
# Tools built with sanitizers run at build time: a leak or race report of a library must not
# fail the build.
set(DATAPACK_RUN ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0 TSAN_OPTIONS=report_bugs=0)

file(MAKE_DIRECTORY ${DATAPACK_WORK} ${CMAKE_BINARY_DIR}/generated)

# The tools that make the packs: this build's own, or those of another build of the same
# sources (VORTAN_DATA_TOOLS, its folder): a sanitizer build makes the same bytes with them in a
# fraction of the time its own instrumented tools take.
set(VORTAN_DATA_TOOLS "" CACHE PATH "A build folder whose tools/ make this build's data packs")
foreach(tool makefont makegameimages makegamesounds makeimages makescene makesound maketext
        vortanpack)
    if(VORTAN_DATA_TOOLS)
        set(DP_${tool} ${VORTAN_DATA_TOOLS}/tools/${tool})
        set(DPD_${tool} ${VORTAN_DATA_TOOLS}/tools/${tool})
    else()
        set(DP_${tool} $<TARGET_FILE:${tool}>)
        set(DPD_${tool} ${tool})
    endif()
endforeach()

# vortan_data_pack(<pack file name> FILES <file>...): packs the files, in the order given,
# into ${DATAPACK_OUT}/<pack>; each becomes the entry "/" + its bare name.
function(vortan_data_pack pack)
    cmake_parse_arguments(DP "" "" "FILES" ${ARGN})
    add_custom_command(OUTPUT ${DATAPACK_OUT}/${pack}
        COMMAND ${DATAPACK_RUN} ${DP_vortanpack} create ${DATAPACK_OUT}/${pack} ${DP_FILES}
        DEPENDS ${DPD_vortanpack} ${DP_FILES}
        COMMENT "Packing ${pack}"
        VERBATIM)
    set_property(GLOBAL APPEND PROPERTY VORTAN_DATAPACK_FILES ${DATAPACK_OUT}/${pack})
endfunction()

# A "/dmp.meta" description for a pack, from a template (@SIZE@ replaced).
function(vortan_pack_meta template dir size)
    set(SIZE ${size})
    configure_file(${DATAPACK_DATA}/meta/${template} ${dir}/dmp.meta @ONLY)
endfunction()

# --- language packs: data/language/<base>_<nnnn>.txt -> <base>_<nnnn>.dmp -------------------------
file(GLOB datapack_languages CONFIGURE_DEPENDS ${DATAPACK_DATA}/language/*_[0-9][0-9][0-9][0-9].txt)
foreach(src ${datapack_languages})
    get_filename_component(base ${src} NAME_WE)
    set(dir ${DATAPACK_WORK}/${base})
    add_custom_command(OUTPUT ${dir}/texts.txt
        COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
        COMMAND ${DATAPACK_RUN} ${DP_maketext} --language ${src} ${dir}/texts.txt
        DEPENDS ${DPD_maketext} ${src}
        VERBATIM)
    vortan_data_pack(${base}.dmp FILES ${dir}/texts.txt)
endforeach()

# --- intro: the twelve logo frames and the welcome chime ------------------------------------------
set(dir ${DATAPACK_WORK}/orlointro)
set(intro_frames)
foreach(i RANGE 1 12)
    list(APPEND intro_frames ${dir}/orlogate_logo${i}.jpg)
endforeach()
add_custom_command(OUTPUT ${intro_frames}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND ${DATAPACK_RUN} ${DP_makeimages} intro ${dir}
    DEPENDS ${DPD_makeimages}
    VERBATIM)
add_custom_command(OUTPUT ${dir}/sl-welcome.wav
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND ${DATAPACK_RUN} ${DP_makesound} welcome ${dir}/sl-welcome.wav
    DEPENDS ${DPD_makesound}
    VERBATIM)
vortan_pack_meta(intro.meta ${dir} 480)
vortan_data_pack(orlointro.dmp FILES ${dir}/dmp.meta ${intro_frames} ${dir}/sl-welcome.wav)

# --- title: the title picture and the two backgrounds ---------------------------------------------
set(dir ${DATAPACK_WORK}/title)
set(title_files ${dir}/title.png ${dir}/background-horizontal.jpg ${dir}/background-vertical.jpg)
add_custom_command(OUTPUT ${title_files}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND ${DATAPACK_RUN} ${DP_makeimages} title ${dir}
    DEPENDS ${DPD_makeimages}
    VERBATIM)
vortan_data_pack(title.dmp FILES ${title_files})

# --- size variants: fonts and lobby pictures -----------------------------------------------------
# data/fonts/fonts.txt: "<name> <pixels at 480> [bold]" per line. Every font holds the
# Latin-1 characters and the typographic quotes, ellipsis and euro sign, on one page.
file(STRINGS ${DATAPACK_DATA}/fonts/fonts.txt datapack_fonts REGEX "^[a-z0-9_]+ [0-9]+( bold)?$")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${DATAPACK_DATA}/fonts/fonts.txt)
set(DATAPACK_FONT_CHARS "32-126,160-255,0x2018-0x201D,0x2026,0x20AC")
foreach(size ${DATAPACK_SIZES})
    set(dir ${DATAPACK_WORK}/orlolobby_${size})
    set(lobby_files ${dir}/avatar.png ${dir}/cl-icon-trophy.png ${dir}/toast-strip.png
        ${dir}/toast-icon-message.png ${dir}/toast-icon-challenge.png
        ${dir}/toast-icon-achievement.png ${dir}/ad-panel.png ${dir}/ad-button.png
        ${dir}/ad-close.png ${dir}/orlo-button.png ${dir}/menu-button.png ${dir}/toggle-off.png
        ${dir}/toggle-on.png ${dir}/slider-track.png ${dir}/slider-knob.png ${dir}/mark-on.png
        ${dir}/mark-off.png ${dir}/online-mark.png ${dir}/list-arrow.png)
    add_custom_command(OUTPUT ${lobby_files}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
        COMMAND ${DATAPACK_RUN} ${DP_makeimages} lobby ${dir} ${size}
        DEPENDS ${DPD_makeimages}
        VERBATIM)
    vortan_pack_meta(lobby.meta.in ${dir} ${size})
    vortan_data_pack(orlolobby_${size}.dmp FILES ${dir}/dmp.meta ${lobby_files})

    set(dir ${DATAPACK_WORK}/orlofonts_${size})
    vortan_pack_meta(fonts.meta.in ${dir} ${size})
    set(font_files)
    if(TARGET makefont)
        foreach(font ${datapack_fonts})
            string(REPLACE " " ";" font "${font}")
            list(GET font 0 font_name)
            list(GET font 1 font_size)
            math(EXPR font_pixels "(${font_size} * ${size} + 240) / 480")
            set(font_options --size ${font_pixels} --chars ${DATAPACK_FONT_CHARS}
                --page-width 512 --page-height 1024)
            if("bold" IN_LIST font)
                list(APPEND font_options --bold)
            endif()
            add_custom_command(OUTPUT ${dir}/${font_name}.fnt ${dir}/${font_name}_0.png
                COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
                COMMAND ${DATAPACK_RUN} ${DP_makefont} ${font_options} ${dir}/${font_name}.fnt
                DEPENDS ${DPD_makefont} ${DATAPACK_DATA}/fonts/fonts.txt
                VERBATIM)
            list(APPEND font_files ${dir}/${font_name}.fnt ${dir}/${font_name}_0.png)
        endforeach()
    endif()
    vortan_data_pack(orlofonts_${size}.dmp FILES ${dir}/dmp.meta ${font_files})
endforeach()

# --- sounds and layouts ---------------------------------------------------------------------------
set(dir ${DATAPACK_WORK}/orlosounds)
vortan_pack_meta(plain.meta ${dir} 0)
vortan_data_pack(orlosounds.dmp FILES ${dir}/dmp.meta)

set(dir ${DATAPACK_WORK}/orlolayouts)
vortan_pack_meta(plain.meta ${dir} 0)
file(GLOB datapack_layouts CONFIGURE_DEPENDS ${DATAPACK_DATA}/layouts/*.xml)
vortan_data_pack(orlolayouts.dmp FILES ${dir}/dmp.meta ${datapack_layouts})

# --- the game's battlefields: data/scenes/<name>.txt -> <name>.scn, packed as dataScenes.dmp ---
# The twenty online levels and the fifteen training scenes ("01" to "15") of the asset tables.
file(GLOB datapack_scene_sources CONFIGURE_DEPENDS ${DATAPACK_DATA}/scenes/*.txt)
set(dir ${DATAPACK_WORK}/dataScenes)
set(scene_files)
foreach(src ${datapack_scene_sources})
    get_filename_component(base ${src} NAME_WE)
    add_custom_command(OUTPUT ${dir}/${base}.scn
        COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
        COMMAND ${DATAPACK_RUN} ${DP_makescene} ${src} ${dir}/${base}.scn
        DEPENDS ${DPD_makescene} ${src}
        VERBATIM)
    list(APPEND scene_files ${dir}/${base}.scn)
endforeach()
vortan_data_pack(dataScenes.dmp FILES ${scene_files})

# --- the game: pictures, sounds, the font and the story intro ----------------------------------
# Drawn and synthesised by makegameimages and makegamesounds into one directory, then packed
# as the game's packs; the two tunes are encoded with lame and lie beside the program, where
# the game plays them from. The game's pictures are drawn for its own screen sizes and are never
# scaled (the water layers must stay powers of two), so its packs' "/dmp.meta" give no size; the
# UI and texture packs' name the pictures that are never drawn with a mip level (the title, the
# font page and the backgrounds are always drawn with linear filtering).
set(dir ${DATAPACK_WORK}/game)
set(game_effects explosion.png particle_star.png particle_dot.png shadow.png marker.png
    water_base.png waves.png projectile_red.png projectile_blue.png projectile_sticky.png
    projectile_snowball.png timer_squib.png)
set(game_players player0_animations.png player1_animations.png player_background.png
    player0_stretch.png player1_stretch.png)
set(game_textures blockstyle01.png blockstyle02.png blockstyle03.png blockstyle04.png
    background_battle.png background_unique.png)
foreach(material Paper Metal Ice Bounce)
    foreach(variant 01 02 03)
        list(APPEND game_textures Texture_${material}${variant}.png)
    endforeach()
endforeach()
set(game_ui squibtitlesquib.jpg squibloader.png muteoff.png muteon.png exits.png edit.png help.png
    helper.png training.png fb_button.png bomb_snow.png bomb_cluster.png bomb_none.png
    confirmation_yes.png confirmation_no.png jump_00.png bomb_00.png whip_00.png jump_01.png
    bomb_01.png whip_01.png bomb_sticky.png intro.png credits.png volumebackgroundz.png
    volumezlider.png nextround.png chatbubble.png chatbubble_pointer.png chatbutton.png
    training_scene.png training_restart.png zoom_bar.png zoom_indicator.png)
set(game_intro torch.png)
foreach(i 01 02 03 04 05 06 07 08 09 10 11)
    list(APPEND game_intro Kuva${i}.jpg)
endforeach()
set(game_audio buttondown.wav buttonup.wav ammunta01.wav ammus_pomppu01.wav ammus_veteen01.wav
    explosio01.wav hyppy01.wav pelaaja_pomppu01.wav pelaaja_veteen01.wav venytys01.wav
    squibwhip.wav startgame.wav wingame.wav losegame.wav tiegame.wav timeralert.wav timerend.wav)
set(game_ambient ambient_common_00.wav ambient_common_01.wav ambient_common_02.wav
    ambient_rare_00.wav ambient_rare_01.wav ambient_rare_02.wav)
set(game_ambient_loop ambient_loop_00.wav)

set(game_pictures ${game_effects} ${game_players} ${game_textures} ${game_ui} ${game_intro})
list(TRANSFORM game_pictures PREPEND ${dir}/)
add_custom_command(OUTPUT ${game_pictures}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND ${DATAPACK_RUN} ${DP_makegameimages} ${dir}
    DEPENDS ${DPD_makegameimages}
    VERBATIM)
set(game_sounds ${game_audio} ${game_ambient} ${game_ambient_loop})
list(TRANSFORM game_sounds PREPEND ${dir}/)
add_custom_command(OUTPUT ${game_sounds}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND ${DATAPACK_RUN} ${DP_makegamesounds} effects ${dir}
    DEPENDS ${DPD_makegamesounds}
    VERBATIM)
# The game's font: its page is the game's image 0 ("foo_0.png").
set(game_font foo.fnt foo_0.png)
if(TARGET makefont)
    add_custom_command(OUTPUT ${dir}/foo.fnt ${dir}/foo_0.png
        COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
        COMMAND ${DATAPACK_RUN} ${DP_makefont} --size 22 --bold --chars 32-126,160-255
                --page-width 512 --page-height 512 ${dir}/foo.fnt
        DEPENDS ${DPD_makefont}
        VERBATIM)
else()
    set(game_font)
endif()

function(vortan_game_pack pack)
    set(files ${ARGN})
    list(TRANSFORM files PREPEND ${DATAPACK_WORK}/game/)
    vortan_data_pack(${pack} FILES ${files})
endfunction()
vortan_game_pack(dataEffects.dmp ${game_effects})
vortan_game_pack(dataPlayers.dmp ${game_players})
foreach(meta textures ui)
    configure_file(${DATAPACK_DATA}/meta/game_${meta}.meta ${DATAPACK_WORK}/game_${meta}/dmp.meta
                   COPYONLY)
endforeach()
vortan_game_pack(dataTextures.dmp ${game_textures} ../game_textures/dmp.meta)
vortan_game_pack(dataUI.dmp ${game_font} ${game_ui} ../game_ui/dmp.meta)
vortan_game_pack(dataAudio.dmp ${game_audio})
vortan_game_pack(dataAmbientAudio.dmp ${game_ambient})
vortan_game_pack(dataAmbientAudio2.dmp ${game_ambient_loop})
vortan_game_pack(dataIntro.dmp ${game_intro})

# The tunes, MP3 beside the program.
find_program(LAME_EXECUTABLE lame)
if(LAME_EXECUTABLE)
    foreach(tune theme:SquibTheme intro:SquibIntro)
        string(REPLACE ":" ";" tune ${tune})
        list(GET tune 0 tune_kind)
        list(GET tune 1 tune_name)
        add_custom_command(OUTPUT ${DATAPACK_OUT}/${tune_name}.mp3
            COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
            COMMAND ${DATAPACK_RUN} ${DP_makegamesounds} tune ${tune_kind}
                    ${dir}/${tune_name}.wav
            COMMAND ${LAME_EXECUTABLE} --quiet --noreplaygain -b 128 ${dir}/${tune_name}.wav
                    ${DATAPACK_OUT}/${tune_name}.mp3
            DEPENDS ${DPD_makegamesounds}
            COMMENT "Encoding ${tune_name}.mp3"
            VERBATIM)
        set_property(GLOBAL APPEND PROPERTY VORTAN_DATAPACK_FILES ${DATAPACK_OUT}/${tune_name}.mp3)
    endforeach()
else()
    message(WARNING "lame is not installed: the game's tunes are not made")
endif()

# --- achievements: the definitions text ----------------------------------------------------------
set(dir ${DATAPACK_WORK}/achievements)
add_custom_command(OUTPUT ${dir}/ach_EN.txt
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND ${DATAPACK_RUN} ${DP_maketext} --bom ${DATAPACK_DATA}/achievements/ach_EN.txt
            ${dir}/ach_EN.txt
    DEPENDS ${DPD_maketext} ${DATAPACK_DATA}/achievements/ach_EN.txt
    VERBATIM)
vortan_data_pack(achievements.dmp FILES ${dir}/ach_EN.txt)

# --- the reload picture, built into the platform library -----------------------------------------
set(dir ${DATAPACK_WORK}/reload)
set(reload_source ${CMAKE_BINARY_DIR}/generated/OrloReloadImage.cpp)
add_custom_command(OUTPUT ${dir}/reload.png ${reload_source}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND ${DATAPACK_RUN} ${DP_makeimages} reload ${dir}/reload.png ${reload_source}
    DEPENDS ${DPD_makeimages}
    VERBATIM)
# One target drives the command; the library and the packs wait for it, so that parallel
# builds never run it twice.
add_custom_target(orlo_reload_image DEPENDS ${dir}/reload.png ${reload_source})
if(TARGET orlo_platform)
    get_target_property(orlo_platform_type orlo_platform TYPE)
    if(orlo_platform_type STREQUAL "STATIC_LIBRARY")
        target_sources(orlo_platform PRIVATE ${reload_source})
        add_dependencies(orlo_platform orlo_reload_image)
    endif()
endif()

# --- the stand-in lobby's language packs: data/standin/language -> standin/<base>_<nnnn>.dmp ---
# Offered by tools/standin (data/standin/languages.txt); kept apart from the program's packs,
# under their own target `standin_packs` (part of ALL).
find_package(Python3 COMPONENTS Interpreter REQUIRED)
file(MAKE_DIRECTORY ${DATAPACK_OUT}/standin)
file(GLOB standin_languages CONFIGURE_DEPENDS
    ${DATAPACK_DATA}/standin/language/*_[0-9][0-9][0-9][0-9].txt)
foreach(src ${standin_languages})
    get_filename_component(base ${src} NAME_WE)
    set(dir ${DATAPACK_WORK}/standin/${base})
    add_custom_command(OUTPUT ${dir}/texts.txt
        COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
        COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/standin/langsource.py ${src}
                ${dir}/source.txt --base-dir ${DATAPACK_DATA}/language
        COMMAND ${DATAPACK_RUN} ${DP_maketext} --language ${dir}/source.txt
                ${dir}/texts.txt
        DEPENDS ${DPD_maketext} ${src} ${CMAKE_SOURCE_DIR}/tools/standin/langsource.py
                ${DATAPACK_DATA}/language/orlolanguage_0000.txt
                ${DATAPACK_DATA}/language/zorbixlanguage_0000.txt
        VERBATIM)
    add_custom_command(OUTPUT ${DATAPACK_OUT}/standin/${base}.dmp
        COMMAND ${DATAPACK_RUN} ${DP_vortanpack} create ${DATAPACK_OUT}/standin/${base}.dmp
                ${dir}/texts.txt
        DEPENDS ${DPD_vortanpack} ${dir}/texts.txt
        COMMENT "Packing standin/${base}.dmp"
        VERBATIM)
    list(APPEND standin_packs ${DATAPACK_OUT}/standin/${base}.dmp)
endforeach()

# --- the stand-in lobby's item packs: data/standin/items/<name>/ -> standin/items/<name>.dmp ---
# Each pack holds its description "<item id>.xml" (a name unique among the packs) and the images listed in its images.txt
# ("file width height canvas", then optionally " | " and shapes drawn on the canvas, separated
# by " / ", each one ImageMagick draw string), drawn with ImageMagick; without ImageMagick none
# is built and the stand-in offers none.
find_program(STANDIN_CONVERT NAMES convert)
if(STANDIN_CONVERT)
    file(MAKE_DIRECTORY ${DATAPACK_OUT}/standin/items)
    file(GLOB standin_items CONFIGURE_DEPENDS ${DATAPACK_DATA}/standin/items/*/*.xml)
    foreach(description ${standin_items})
        get_filename_component(source ${description} DIRECTORY)
        get_filename_component(name ${source} NAME)
        set(dir ${DATAPACK_WORK}/standin/items/${name})
        set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source}/images.txt)
        file(STRINGS ${source}/images.txt image_lines REGEX "^[^#]")
        set(images)
        foreach(line ${image_lines})
            set(shapes "")
            string(FIND "${line}" " | " bar)
            if(bar GREATER -1)
                math(EXPR after "${bar} + 3")
                string(SUBSTRING "${line}" ${after} -1 shapes)
                string(SUBSTRING "${line}" 0 ${bar} line)
            endif()
            string(REPLACE " " ";" words "${line}")
            list(GET words 0 image)
            list(GET words 1 width)
            list(GET words 2 height)
            list(GET words 3 canvas)
            set(draws)
            if(shapes)
                string(REPLACE " / " ";" shape_list "${shapes}")
                foreach(shape ${shape_list})
                    list(APPEND draws -draw "${shape}")
                endforeach()
            endif()
            add_custom_command(OUTPUT ${dir}/${image}
                COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
                COMMAND ${STANDIN_CONVERT} -size ${width}x${height} ${canvas} ${draws} -strip
                        ${dir}/${image}
                DEPENDS ${source}/images.txt
                VERBATIM)
            list(APPEND images ${dir}/${image})
        endforeach()
        add_custom_command(OUTPUT ${DATAPACK_OUT}/standin/items/${name}.dmp
            COMMAND ${DATAPACK_RUN} ${DP_vortanpack} create
                    ${DATAPACK_OUT}/standin/items/${name}.dmp ${description} ${images}
            DEPENDS ${DPD_vortanpack} ${description} ${images}
            COMMENT "Packing standin/items/${name}.dmp"
            VERBATIM)
        list(APPEND standin_packs ${DATAPACK_OUT}/standin/items/${name}.dmp)
    endforeach()

    # The shop's item icons: data/standin/icons.txt -> standin/icons/<item>_0.png (small, 42 x 42)
    # and <item>_1.png (large, 128 x 128), both drawn on the 128 x 128 grid.
    file(MAKE_DIRECTORY ${DATAPACK_OUT}/standin/icons)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
        ${DATAPACK_DATA}/standin/icons.txt)
    file(STRINGS ${DATAPACK_DATA}/standin/icons.txt icon_lines REGEX "^[^#]")
    foreach(line ${icon_lines})
        string(FIND "${line}" "|" bar)
        string(SUBSTRING "${line}" 0 ${bar} item)
        math(EXPR after "${bar} + 1")
        string(SUBSTRING "${line}" ${after} -1 rest)
        string(FIND "${rest}" "|" bar)
        string(SUBSTRING "${rest}" 0 ${bar} canvas)
        math(EXPR after "${bar} + 1")
        string(SUBSTRING "${rest}" ${after} -1 shapes)
        set(draws)
        string(REPLACE " / " ";" shape_list "${shapes}")
        foreach(shape ${shape_list})
            list(APPEND draws -draw "${shape}")
        endforeach()
        foreach(size_pair "0;42" "1;128")
            list(GET size_pair 0 kind)
            list(GET size_pair 1 pixels)
            set(icon ${DATAPACK_OUT}/standin/icons/${item}_${kind}.png)
            add_custom_command(OUTPUT ${icon}
                COMMAND ${STANDIN_CONVERT} -size 128x128 ${canvas} ${draws} -resize ${pixels}x${pixels}
                        -depth 8 -strip ${icon}
                DEPENDS ${DATAPACK_DATA}/standin/icons.txt
                VERBATIM)
            list(APPEND standin_packs ${icon})
        endforeach()
    endforeach()

    # The avatars and advert badges the stand-in sends, drawn once here by its own drawing code
    # (standin/pictures/), so that the running server never stops to draw them.
    find_program(STANDIN_PYTHON NAMES python3)
    if(STANDIN_PYTHON)
        set(standin_pictures)
        foreach(v RANGE 0 7)
            list(APPEND standin_pictures ${DATAPACK_OUT}/standin/pictures/avatar_${v}_80.png)
        endforeach()
        list(APPEND standin_pictures ${DATAPACK_OUT}/standin/pictures/badge_0_128.png
             ${DATAPACK_OUT}/standin/pictures/badge_1_128.png)
        add_custom_command(OUTPUT ${standin_pictures}
            COMMAND ${STANDIN_PYTHON} ${CMAKE_SOURCE_DIR}/tools/standin/pngs.py
                    ${DATAPACK_OUT}/standin/pictures
            DEPENDS ${CMAKE_SOURCE_DIR}/tools/standin/pngs.py
            VERBATIM)
        list(APPEND standin_packs ${standin_pictures})
    endif()
endif()
add_custom_target(standin_packs ALL DEPENDS ${standin_packs})

get_property(datapack_files GLOBAL PROPERTY VORTAN_DATAPACK_FILES)
add_custom_target(datapacks ALL DEPENDS ${datapack_files})
add_dependencies(datapacks orlo_reload_image)

# The tests that read the built packs need them built first; their targets exist only once
# tests/ has been added, so this runs at the end of the top directory.
function(vortan_datapacks_for_tests)
    foreach(test datapacks_test language_test gamedata_test)
        if(TARGET ${test})
            add_dependencies(${test} datapacks)
        endif()
    endforeach()
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL vortan_datapacks_for_tests)
