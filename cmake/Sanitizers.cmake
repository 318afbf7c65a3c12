# AddressSanitizer + UndefinedBehaviorSanitizer for the whole build, with every
# finding fatal so that a test run fails on the first one.
if(SONNELITH_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
