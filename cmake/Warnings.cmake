# Every target of ours builds with the full warning set, and a warning fails the build.
function(sonnelith_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()
