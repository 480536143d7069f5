# The sanitized build: AddressSanitizer and UndefinedBehaviorSanitizer on every
# target, and any report ends the process with an error, so a test or fuzz run
# that triggers one fails. Optimised lightly so the reports keep their lines.
if(NOT VELTO_SANITIZE)
    if(VELTO_FUZZ)
        message(FATAL_ERROR "VELTO_FUZZ needs VELTO_SANITIZE=ON")
    endif()
    return()
endif()
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "VELTO_SANITIZE needs clang (CMAKE_CXX_COMPILER=clang++-14)")
endif()

set(VELTO_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all
    -fno-omit-frame-pointer)
add_compile_options(${VELTO_SANITIZER_FLAGS} -O1 -g)
add_link_options(${VELTO_SANITIZER_FLAGS})
if(VELTO_FUZZ)
    # Coverage for the fuzzers in every library; the fuzz targets link
    # libFuzzer's main() themselves. The tests run with the same objects: the
    # sanitizer runtime answers the coverage hooks when no fuzzer is linked.
    add_compile_options(-fsanitize=fuzzer-no-link)
endif()
