# AddressSanitizer + UndefinedBehaviorSanitizer for the whole build, with every
# finding fatal so that a test run fails on the first one. A fuzzing build adds
# libFuzzer's coverage instrumentation to every library it links.
if(SONNELITH_SANITIZE OR SONNELITH_FUZZ)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
if(SONNELITH_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
