# `cpack -G DEB` in the build folder makes sonnelith_<version>_<arch>.deb from
# the install rules (cmake/Install.cmake); the library dependencies are found
# by dpkg-shlibdeps from the programs themselves.
set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "sonnelith")
set(CPACK_PACKAGE_VENDOR "Korvatek")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "Korvatek <sonnelith@korvatek.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "turns one short sound into a long ambient track")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME "DEB-DEFAULT")
set(CPACK_DEBIAN_PACKAGE_SECTION "sound")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://sonnelith.example.org/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The Play, Guide and Web site commands hand their files and address to the
# desktop's default applications through xdg-open.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
# Scores' effects are LV2 plugins: liblilv-0-0 comes through shlibdeps, the
# plugins themselves are the user's choice.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "pdf-viewer, mda-lv2, swh-lv2")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The extended description under the summary line: one paragraph; CPack
# indents its lines.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Sonnelith weaves thousands of tiny overlapping fragments (grains) of one short
recorded sound into a long, slowly evolving ambient sound track of up to 59
minutes 59 seconds, written as a 16-bit stereo 44100 Hz WAV file. Six
parameters shape the result: scanning range, average segment, grain density,
grain length, volume and fade in/out. The package holds the desktop program,
the command-line generator sonnelith-cli, a sample sound and the user's guide.")

include(CPack)
