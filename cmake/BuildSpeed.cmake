# What makes a clean build cheaper, for a two-core machine without a compiler cache: the
# libraries' sources compile in batches (one compiler run reads the shared headers once for
# several sources), the tests share one precompiled header, the programs around the
# libraries carry line tables rather than full debug information, and the faster linker
# links when the toolchain has it.
#
#   VORTAN_UNITY=OFF         compiles every source on its own (for editing a single file
#                            again and again, or to see a batch-only fault)
#   VORTAN_UNITY_BATCH=N     sources per batch
#   VORTAN_FAST_LINKER=OFF   links with the toolchain's default linker
#   VORTAN_TEST_PCH=OFF      compiles each test without the shared precompiled header
#   VORTAN_LEAN_DEBUG_INFO=OFF  full debug information for the tools, tests, benchmarks
#                            and fuzz targets too, not only line tables (file and line in
#                            stack traces and sanitizer reports are there either way)

option(VORTAN_UNITY "Compile the libraries' sources in batches" ON)
set(VORTAN_UNITY_BATCH 12 CACHE STRING "Sources per batch of a library")
option(VORTAN_FAST_LINKER "Link with lld when the toolchain can" ON)
option(VORTAN_TEST_PCH "Compile the tests with one precompiled header" ON)
option(VORTAN_LEAN_DEBUG_INFO "Line tables only (not full debug information) for the tools, tests, benchmarks and fuzz targets" ON)

if(VORTAN_FAST_LINKER)
    include(CheckLinkerFlag)
    check_linker_flag(CXX "-fuse-ld=lld" VORTAN_HAVE_LLD)
    if(VORTAN_HAVE_LLD)
        add_link_options(-fuse-ld=lld)
    endif()
endif()

# vortan_lean_debug_info(): the targets made after it in this directory and those below get
# line tables only where the configuration has debug information.
macro(vortan_lean_debug_info)
    if(VORTAN_LEAN_DEBUG_INFO)
        add_compile_options($<$<CONFIG:RelWithDebInfo,Debug>:-g1>)
    endif()
endmacro()

# The sanitizer and fuzz configurations are built for their reports, which need no more than
# the line tables: everything there gets those only.
if(VORTAN_LEAN_DEBUG_INFO AND (VORTAN_SANITIZE OR VORTAN_TSAN OR VORTAN_FUZZ))
    vortan_lean_debug_info()
endif()

# vortan_batch_sources(target source...): batches the target's sources. A source joins a
# batch only when nothing of it can reach the sources after it in the batch: a source that
# #defines a macro it does not #undef again, has a using-directive at file scope, or
# includes the X11 or GTK headers (their unprefixed macros: None, Bool, Status, True...)
# compiles on its own. (The file names of a batch's members are what the compiler reports,
# so warnings and sanitizer reports still name the source and its line.) scripts/unity_check.py
# compares each batch with its members compiled alone.
function(vortan_batch_sources target)
    if(NOT VORTAN_UNITY)
        return()
    endif()
    set_target_properties(${target} PROPERTIES UNITY_BUILD ON
        UNITY_BUILD_BATCH_SIZE ${VORTAN_UNITY_BATCH})
    foreach(src ${ARGN})
        file(READ ${src} text)
        set(text "\n${text}")
        string(REGEX MATCH "\n[ \t]*(using[ \t]+namespace[ \t]|#[ \t]*include[ \t]*<(X11|gtk)/)"
            alone "${text}")
        string(REGEX MATCHALL "\n[ \t]*#[ \t]*(define|undef)[ \t]+[A-Za-z_0-9]+" directives
            "${text}")
        set(defined)
        foreach(directive IN LISTS directives)
            string(REGEX MATCH "(define|undef)[ \t]+([A-Za-z_0-9]+)" directive "${directive}")
            if(CMAKE_MATCH_1 STREQUAL "define")
                list(APPEND defined ${CMAKE_MATCH_2})
            else()
                list(REMOVE_ITEM defined ${CMAKE_MATCH_2})
            endif()
        endforeach()
        if(alone OR defined)
            set_source_files_properties(${src} TARGET_DIRECTORY ${target}
                PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
        endif()
    endforeach()
endfunction()
