# Where `cmake --install` puts the program, and the Debian package `cpack -G DEB`
# makes of the same files.
include(GNUInstallDirs)
install(TARGETS corvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES resources/corvane.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES resources/corvane.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
# Compressed, as Debian and most distributions ship their manual pages.
set(CORVANE_MAN_PAGE ${CMAKE_CURRENT_BINARY_DIR}/corvane.1.gz)
add_custom_command(OUTPUT ${CORVANE_MAN_PAGE}
  COMMAND gzip -9 --no-name --stdout ${CMAKE_CURRENT_SOURCE_DIR}/resources/corvane.1 > ${CORVANE_MAN_PAGE}
  DEPENDS resources/corvane.1
  VERBATIM)
add_custom_target(corvane_man_page ALL DEPENDS ${CORVANE_MAN_PAGE})
# Built with the program, so that an install after building only `corvane`
# (as scripts/run does) finds everything it installs.
add_dependencies(corvane corvane_man_page)
install(FILES ${CORVANE_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# Debian's place for the licence (a machine-readable copyright file) and the changes.
set(CORVANE_COPYRIGHT ${CMAKE_CURRENT_BINARY_DIR}/copyright)
file(READ ${PROJECT_SOURCE_DIR}/LICENSE CORVANE_LICENSE_TEXT)
string(REGEX REPLACE "\n\n" "\n.\n" CORVANE_LICENSE_PARAGRAPHS "${CORVANE_LICENSE_TEXT}")
string(REGEX REPLACE "\n([^\n])" "\n \\1" CORVANE_LICENSE_INDENTED "${CORVANE_LICENSE_PARAGRAPHS}")
file(WRITE ${CORVANE_COPYRIGHT}
  "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
  "Upstream-Name: corvane\n\n"
  "Files: *\n"
  "Copyright: 2026 The Corvane developers\n"
  "License: Expat\n"
  " ${CORVANE_LICENSE_INDENTED}")
set(CORVANE_CHANGELOG ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
add_custom_command(OUTPUT ${CORVANE_CHANGELOG}
  COMMAND gzip -9 --no-name --stdout ${PROJECT_SOURCE_DIR}/CHANGELOG.md > ${CORVANE_CHANGELOG}
  DEPENDS ${PROJECT_SOURCE_DIR}/CHANGELOG.md
  VERBATIM)
add_custom_target(corvane_changelog ALL DEPENDS ${CORVANE_CHANGELOG})
add_dependencies(corvane corvane_changelog)
install(FILES ${CORVANE_COPYRIGHT} ${CORVANE_CHANGELOG} DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_PACKAGE_NAME corvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Corvane")
set(CORVANE_MAINTAINER "Corvane maintainers <maintainers@users.noreply.c-seed-f762f147.example>"
  CACHE STRING "Who the Debian package names as its maintainer")
set(CPACK_PACKAGE_CONTACT "${CORVANE_MAINTAINER}")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Arranges and switches between World of Warcraft windows on X11")
set(CPACK_PACKAGE_DESCRIPTION
  "A tray utility for players who run several World of Warcraft clients at once: it arranges their windows, moves the keyboard focus between them with hot keys, draws a border around the active game and shows live previews of the others.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
# The icon is an SVG: without Qt's SVG plugins the tray shows no picture.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libqt6svg6")
find_program(CORVANE_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(CORVANE_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6widgets6, libqt6network6, libxcb1, libxcb-randr0, libxcb-shape0, libxcb-composite0, libxcb-render0, libxcb-damage0, libxcb-keysyms1, libxcb-xkb1")
endif()
include(CPack)
