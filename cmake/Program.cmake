# The program: `orlogate`, built beside the data packs in ${CMAKE_BINARY_DIR} (it looks for its
# packs in its own directory). Its own folder, program/, holds the entry point and the
# wiring of the libraries (the factories it registers): the top of the library order.
file(GLOB program_srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/program/*.cpp)
add_executable(orlogate ${program_srcs})
target_link_libraries(orlogate PRIVATE vex_game)
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
