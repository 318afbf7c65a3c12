# What `cmake --install` puts where: the programs in bin/; the user's guide,
# the sample sound and the configuration naming the installation folder in the
# data folder (share/sonnelith/); the programs' manual pages; the copyright
# file and changelog in share/doc/sonnelith/; and, with the desktop program,
# its menu entry, icons and AppStream metadata.
#
# Included before the subdirectories, since the command-line generator needs
# the layout below at compile time; the rules themselves are added at the end
# of the top-level CMakeLists.txt, once every program target exists.
include(GNUInstallDirs)

# The data folder, relative to the prefix, and as seen from the programs'
# folder, so an installed program finds its data wherever the tree lies.
set(SONNELITH_INSTALL_DATADIR "${CMAKE_INSTALL_DATADIR}/sonnelith")
# Named after the package, as Debian wants (GNUInstallDirs would take the
# project's name, "Sonnelith").
set(SONNELITH_INSTALL_DOCDIR "${CMAKE_INSTALL_DATADIR}/doc/sonnelith")
file(RELATIVE_PATH SONNELITH_BIN_TO_DATA "${CMAKE_INSTALL_FULL_BINDIR}"
     "${CMAKE_INSTALL_FULL_DATADIR}/sonnelith")

# Installing and packaging take what is already built (build first, as the
# README says) instead of building every target, test programs included.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(SONNELITH_APP_ID "com.korvatek.Sonnelith")
set(SONNELITH_GUIDE "${PROJECT_SOURCE_DIR}/docs/guide/Sonnelith - User's Guide.pdf")
set(SONNELITH_ICON_SIZES 16 32 48 64 128 256)

# Debian installs manual pages and changelogs compressed; gzip -n keeps the
# bytes the same from build to build. Sets `result` to the compressed copy.
function(sonnelith_compressed source result)
  get_filename_component(name "${source}" NAME)
  set(copy "${PROJECT_BINARY_DIR}/packaging/${name}")
  set(output "${copy}.gz")
  add_custom_command(
    OUTPUT "${output}"
    COMMAND ${CMAKE_COMMAND} -E copy "${source}" "${copy}"
    COMMAND gzip -9 -n -f "${copy}"
    DEPENDS "${source}"
    COMMENT "Compressing ${name}"
    VERBATIM)
  set(${result} "${output}" PARENT_SCOPE)
endfunction()

# The manual pages of the programs that are built, and what Debian wants in
# every package's documentation folder: the copyright file (plain) and the
# changelog (compressed, named as in a package made by its own authors).
function(sonnelith_install_documentation)
  set(pages "${PROJECT_SOURCE_DIR}/packaging/sonnelith-cli.1")
  if(TARGET sonnelith)
    list(APPEND pages "${PROJECT_SOURCE_DIR}/packaging/sonnelith.1")
  endif()
  if(TARGET sonnelith-studio)
    list(APPEND pages "${PROJECT_SOURCE_DIR}/packaging/sonnelith-studio.1")
  endif()
  set(compressed_pages "")
  foreach(page IN LISTS pages)
    sonnelith_compressed("${page}" compressed)
    list(APPEND compressed_pages "${compressed}")
  endforeach()
  sonnelith_compressed("${PROJECT_SOURCE_DIR}/packaging/changelog" changelog)
  add_custom_target(sonnelith_compressed_documents ALL DEPENDS ${compressed_pages} "${changelog}")

  install(FILES ${compressed_pages} DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
  install(FILES "${PROJECT_SOURCE_DIR}/packaging/copyright" "${changelog}"
          DESTINATION "${SONNELITH_INSTALL_DOCDIR}")
endfunction()

# sonnelith.conf names the installation folder (InstallPath): the data folder
# under the prefix given at install time; written and installed by
# WriteInstallConfiguration.cmake when installing.
function(sonnelith_install_configuration)
  install(CODE "
    set(SONNELITH_CONFIG_TEMPLATE \"${PROJECT_SOURCE_DIR}/packaging/sonnelith.conf.in\")
    set(SONNELITH_CONFIG_WORK \"${PROJECT_BINARY_DIR}/packaging/configuration\")
    set(SONNELITH_INSTALL_DATADIR \"${SONNELITH_INSTALL_DATADIR}\")")
  install(SCRIPT "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/WriteInstallConfiguration.cmake")
endfunction()

# The menu entry, the icon at every size it is drawn at, and the software
# centre's description: only where the desktop program itself is installed.
function(sonnelith_install_desktop_integration)
  install(FILES "${PROJECT_SOURCE_DIR}/packaging/${SONNELITH_APP_ID}.desktop"
          DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
  install(FILES "${PROJECT_SOURCE_DIR}/packaging/${SONNELITH_APP_ID}.metainfo.xml"
          DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")
  foreach(size IN LISTS SONNELITH_ICON_SIZES)
    install(FILES "${PROJECT_SOURCE_DIR}/resources/icon/sonnelith-${size}.png"
            DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps"
            RENAME sonnelith.png)
  endforeach()
  install(FILES "${PROJECT_SOURCE_DIR}/resources/icon/sonnelith.svg"
          DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps")
endfunction()

function(sonnelith_install_rules)
  install(TARGETS sonnelith-cli RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
  if(TARGET sonnelith)
    install(TARGETS sonnelith RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
    sonnelith_install_desktop_integration()
  endif()
  # The studio: its program beside sonnelith-cli (which renders for it), its
  # menu entry and software-centre description; it shares the icon.
  if(TARGET sonnelith-studio)
    install(TARGETS sonnelith-studio RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
    install(FILES "${PROJECT_SOURCE_DIR}/packaging/com.korvatek.SonnelithStudio.desktop"
            DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
    install(FILES "${PROJECT_SOURCE_DIR}/packaging/com.korvatek.SonnelithStudio.metainfo.xml"
            DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")
  endif()
  install(FILES "${SONNELITH_GUIDE}" "${PROJECT_SOURCE_DIR}/resources/sample/sonnelith-sample.wav"
          DESTINATION "${SONNELITH_INSTALL_DATADIR}")
  sonnelith_install_configuration()
  sonnelith_install_documentation()
endfunction()

cmake_language(DEFER CALL sonnelith_install_rules)

include(${CMAKE_CURRENT_LIST_DIR}/Package.cmake)
