# Every target of ours builds with the full warning set. Only a developer's
# build fails on a warning (tools/test-all.sh, and so CI, turns it on): users
# and packagers build with whatever compiler their system has, and a warning
# that compiler adds, or a false positive of its optimiser, must not stop them.
option(SONNELITH_WERROR "Treat compiler warnings as errors (developers and CI)" OFF)

function(sonnelith_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(SONNELITH_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
