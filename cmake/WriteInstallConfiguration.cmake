# Run by `cmake --install` (see Install.cmake): writes sonnelith.conf for the
# prefix of this installation and installs it into the data folder. The value
# is the folder where the program finally lives: the install-time prefix
# (cmake --install --prefix, or the package's /usr), never a staging DESTDIR.
# Given: SONNELITH_CONFIG_TEMPLATE, SONNELITH_CONFIG_WORK (a build-tree folder)
# and SONNELITH_INSTALL_DATADIR (relative to the prefix, or absolute).
set(SONNELITH_INSTALL_PATH "${SONNELITH_INSTALL_DATADIR}")
if(NOT IS_ABSOLUTE "${SONNELITH_INSTALL_PATH}")
  set(SONNELITH_INSTALL_PATH "${CMAKE_INSTALL_PREFIX}/${SONNELITH_INSTALL_PATH}")
endif()
cmake_path(NORMAL_PATH SONNELITH_INSTALL_PATH)

# One file per installation folder, so installs to different prefixes (the
# package and a local install, say) never share, or race for, one file.
string(MD5 folder_key "${SONNELITH_INSTALL_PATH}")
set(configured "${SONNELITH_CONFIG_WORK}/${folder_key}/sonnelith.conf")
configure_file("${SONNELITH_CONFIG_TEMPLATE}" "${configured}" @ONLY)
file(INSTALL DESTINATION "${SONNELITH_INSTALL_PATH}" TYPE FILE FILES "${configured}")
