# Most of a test file's compile time here goes on parsing GoogleTest's headers
# (about 2 s a file), and most of a window file's on wxWidgets' (about 3.5 s
# for wx/wx.h). Each target that includes them in nearly every file parses them
# once, into a precompiled header, which keeps a clean build and test run on a
# 2-core machine well inside its time. Turn it off to check that every file
# still names all it includes.
option(SONNELITH_PRECOMPILED_HEADERS "Precompile the GoogleTest and wxWidgets headers per target" ON)

function(sonnelith_precompile_gtest target)
  if(SONNELITH_PRECOMPILED_HEADERS)
    target_precompile_headers(${target} PRIVATE <gtest/gtest.h> <gmock/gmock.h>)
  endif()
endfunction()

function(sonnelith_precompile_wx target)
  if(SONNELITH_PRECOMPILED_HEADERS)
    target_precompile_headers(${target} PRIVATE <wx/wx.h>)
  endif()
endfunction()
