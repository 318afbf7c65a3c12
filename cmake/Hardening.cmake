# Debian's hardening flags, as `dpkg-buildflags` gives them to every package
# built on this system: stack protector, fortified libc calls, format-string
# checks, read-only relocations bound at start-up, and position-independent
# executables. They go on every target, so the tests exercise the very code the
# package ships.
#
# Optimisation and debug information stay with the build type (-O and -g are
# left out of dpkg's lists), and so does the source path in debug information
# (-ffile-prefix-map, which dpkg derives from the folder it runs in). The
# sanitizer and fuzzing builds go without: _FORTIFY_SOURCE's checked copies of
# the libc calls would hide those calls from AddressSanitizer.
option(SONNELITH_HARDENING "Build with the hardening flags of dpkg-buildflags" ON)

# The flags dpkg-buildflags gives for `variable` with every hardening feature
# on, without the ones the build type or the build folder decides.
function(sonnelith_dpkg_buildflags variable result)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
            "${SONNELITH_DPKG_BUILDFLAGS}" --get ${variable}
    OUTPUT_VARIABLE flags
    OUTPUT_STRIP_TRAILING_WHITESPACE
    COMMAND_ERROR_IS_FATAL ANY)
  separate_arguments(flags UNIX_COMMAND "${flags}")
  list(FILTER flags EXCLUDE REGEX "^-(O.*|g.*|ffile-prefix-map=.*|fdebug-prefix-map=.*)$")
  set(${result} "${flags}" PARENT_SCOPE)
endfunction()

if(SONNELITH_HARDENING AND NOT SONNELITH_SANITIZE AND NOT SONNELITH_FUZZ)
  find_program(SONNELITH_DPKG_BUILDFLAGS dpkg-buildflags)
  if(NOT SONNELITH_DPKG_BUILDFLAGS)
    message(FATAL_ERROR "dpkg-buildflags (package dpkg-dev) is needed for the hardening flags; "
                        "install it (tools/install-deps.sh) or configure with -DSONNELITH_HARDENING=OFF")
  endif()
  sonnelith_dpkg_buildflags(CPPFLAGS hardening_preprocessor)
  sonnelith_dpkg_buildflags(CXXFLAGS hardening_compiler)
  sonnelith_dpkg_buildflags(LDFLAGS hardening_linker)
  # _FORTIFY_SOURCE works only in optimised code; without optimisation glibc
  # warns that it does nothing, which SONNELITH_WERROR would make an error.
  set(optimised "$<CONFIG:Release,RelWithDebInfo,MinSizeRel>")
  foreach(flag IN LISTS hardening_preprocessor)
    add_compile_options("$<${optimised}:${flag}>")
  endforeach()
  add_compile_options(${hardening_compiler})
  add_link_options(${hardening_linker})
  # Position-independent programs, whatever the compiler's default (Debian's
  # gcc makes them anyway, so dpkg-buildflags leaves this out). Every library
  # of ours is static and ends up in a program, so -fPIE suits all the code.
  add_compile_options(-fPIE)
  add_link_options("$<$<STREQUAL:$<TARGET_PROPERTY:TYPE>,EXECUTABLE>:-pie>")
  list(JOIN hardening_preprocessor " " shown_preprocessor)
  list(JOIN hardening_compiler " " shown_compiler)
  list(JOIN hardening_linker " " shown_linker)
  message(STATUS "Hardening: ${shown_preprocessor} ${shown_compiler} -fPIE; linking: ${shown_linker} -pie")
endif()
