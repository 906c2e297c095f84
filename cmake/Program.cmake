# The program: `orlogate`, built beside the data packs in ${CMAKE_BINARY_DIR} (it looks for its
# packs in its own directory). Its entry point lives in engine/platform/main, outside the
# library globs, so that only the program has a main.
add_executable(orlogate ${CMAKE_SOURCE_DIR}/engine/platform/main/VortanMain.cpp)
# The game module supplies CreateGameApplication; the platform library calls back into it.
target_link_libraries(orlogate PRIVATE vex_game orlo_online orlo_platform)
set_target_properties(orlogate PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# Runs at the end of the top directory, when every target named here exists: the program
# needs its data packs, and the tests that run the program or read the packs need both.
function(vortan_program_dependencies)
    if(TARGET datapacks)
        add_dependencies(orlogate datapacks)
    endif()
    foreach(test startup_test introtitle_test)
        if(TARGET ${test})
            add_dependencies(${test} orlogate)
        endif()
    endforeach()
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL vortan_program_dependencies)
