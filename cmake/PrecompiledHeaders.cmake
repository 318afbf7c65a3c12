# Most of a test file's compile time here goes on parsing GoogleTest's headers
# (about 2 s a file), and most of a window file's on wxWidgets' (about 3.5 s
# for wx/wx.h). They are parsed once for the whole build, into a precompiled
# header that every target which includes them in nearly every file reuses,
# which keeps a clean build and test run on a 2-core machine well inside its
# time. Turn it off to check that every file still names all it includes.
#
# With ccache set CCACHE_SLOPPINESS=pch_defines,time_macros: ccache cannot
# see the macros and time stamps inside a precompiled header otherwise, and
# compiles every file that uses one anew.
if(DEFINED SONNELITH_PRECOMPILED_HEADERS)
  # The option's former name, in build folders configured with it.
  set(pch_default ${SONNELITH_PRECOMPILED_HEADERS})
else()
  set(pch_default ON)
endif()
option(SONNELITH_PCH "Precompile the GoogleTest and wxWidgets headers once and reuse them in every target" ${pch_default})

if(SONNELITH_PCH AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  # Without the time stamp in the header, ccache can cache the files that use it.
  add_compile_options("SHELL:-Xclang -fno-pch-timestamp")
endif()

# A precompiled header is reused only by targets compiled with the same flags
# and at least its macros. Each one is made by a library of one empty file,
# which carries nothing but the usage requirements of what it precompiles and
# the warning flags of every target here; the targets that reuse it add their
# own include folders and macros, which the header does not depend on.
function(sonnelith_add_pch_host host)
  set(source "${PROJECT_BINARY_DIR}/pch/${host}.cpp")
  if(NOT EXISTS "${source}")
    file(WRITE "${source}" "// The file the precompiled header of ${host} is made for.\n")
  endif()
  add_library(${host} OBJECT "${source}")
  sonnelith_warnings(${host})
endfunction()

# GoogleTest and GoogleMock, for the test programs without windows. Called
# where GTest's targets are found (tests/).
function(sonnelith_add_gtest_pch_host)
  if(NOT SONNELITH_PCH)
    return()
  endif()
  sonnelith_add_pch_host(sonnelith_gtest_pch)
  target_link_libraries(sonnelith_gtest_pch PRIVATE GTest::gmock)
  target_precompile_headers(sonnelith_gtest_pch PRIVATE <gtest/gtest.h> <gmock/gmock.h>)
endfunction()

# wxWidgets (the usage requirements of sonnelith_wx, ui/), for the window
# code, and wxWidgets with GoogleTest, for the window tests (tests/). A host
# is made before the first target that reuses it: ui/ is added before studio/,
# and tests/ makes both of its hosts before its folders.
function(sonnelith_add_wx_pch_host)
  if(NOT SONNELITH_PCH)
    return()
  endif()
  sonnelith_add_pch_host(sonnelith_wx_pch)
  target_link_libraries(sonnelith_wx_pch PRIVATE sonnelith_wx)
  target_precompile_headers(sonnelith_wx_pch PRIVATE <wx/wx.h>)
endfunction()

function(sonnelith_add_wx_gtest_pch_host)
  if(NOT SONNELITH_PCH)
    return()
  endif()
  sonnelith_add_pch_host(sonnelith_wx_gtest_pch)
  target_link_libraries(sonnelith_wx_gtest_pch PRIVATE sonnelith_wx GTest::gmock)
  target_precompile_headers(sonnelith_wx_gtest_pch PRIVATE <wx/wx.h> <gtest/gtest.h> <gmock/gmock.h>)
endfunction()

function(sonnelith_precompile_gtest target)
  if(SONNELITH_PCH)
    target_precompile_headers(${target} REUSE_FROM sonnelith_gtest_pch)
  endif()
endfunction()

function(sonnelith_precompile_wx target)
  if(SONNELITH_PCH)
    target_precompile_headers(${target} REUSE_FROM sonnelith_wx_pch)
  endif()
endfunction()

# For the window tests: wxWidgets and GoogleTest.
function(sonnelith_precompile_wx_gtest target)
  if(SONNELITH_PCH)
    target_precompile_headers(${target} REUSE_FROM sonnelith_wx_gtest_pch)
  endif()
endfunction()
