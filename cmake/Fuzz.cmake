# The fuzz configuration: every library built with clang for libFuzzer (coverage
# instrumentation without libFuzzer's main), AddressSanitizer and UndefinedBehaviorSanitizer;
# the fuzz targets in fuzz/ link libFuzzer itself. Configure a separate build tree with
#   CC=clang CXX=clang++ cmake -S . -B build/fuzz -DVORTAN_FUZZ=ON
# and run the targets with scripts/fuzz.sh. Include this file before the libraries are
# defined.
option(VORTAN_FUZZ "Build the fuzz targets (clang, libFuzzer)" OFF)
if(VORTAN_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang" OR NOT CMAKE_C_COMPILER_ID MATCHES "Clang")
        message(FATAL_ERROR "VORTAN_FUZZ needs clang: configure with CC=clang CXX=clang++")
    endif()
    if(VORTAN_SANITIZE OR VORTAN_TSAN)
        message(FATAL_ERROR "VORTAN_FUZZ carries its own sanitizers")
    endif()
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
                        -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()
