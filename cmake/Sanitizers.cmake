# AddressSanitizer + UndefinedBehaviorSanitizer for the whole build, with every
# finding fatal so that a test run fails on the first one. A fuzzing build adds
# libFuzzer's coverage instrumentation to every library it links.
if(SONNELITH_SANITIZE OR SONNELITH_FUZZ)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
if(SONNELITH_FUZZ AND SONNELITH_SANITIZE)
  # The fuzzers built beside the sanitized tests, in one build: edge counters
  # only, the coverage libFuzzer steers by, without the comparison tracing of
  # a fuzzing build, which would slow every test that runs there.
  add_compile_options(-fsanitize-coverage=inline-8bit-counters,pc-table)
elseif(SONNELITH_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
