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
install(FILES ${CORVANE_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_PACKAGE_NAME corvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Corvane")
set(CPACK_PACKAGE_CONTACT "Corvane maintainers <corvane@localhost>")
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
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6widgets6, libqt6network6, libxcb1, libxcb-randr0, libxcb-shape0, libxcb-composite0, libxcb-render0, libxcb-damage0, libxcb-xfixes0, libxcb-keysyms1, libxcb-icccm4")
endif()
include(CPack)
