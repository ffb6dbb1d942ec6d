# The fuzz build: every library is instrumented for coverage (without libFuzzer's main) and
# checked by AddressSanitizer and UndefinedBehaviorSanitizer, so that a fuzz target finds faults
# in the code it calls, not only in itself. An undefined-behaviour report aborts, which libFuzzer
# records as a finding instead of letting it scroll by.
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "KESTRELPORT_FUZZ needs clang++ (libFuzzer): -DCMAKE_CXX_COMPILER=clang++")
endif()
if(KESTRELPORT_SANITIZE)
  message(FATAL_ERROR "KESTRELPORT_FUZZ brings its own sanitizers; leave KESTRELPORT_SANITIZE off")
endif()
add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
                    -fno-omit-frame-pointer)
add_link_options(-fsanitize=address,undefined)
