# A Debian package built from the install rules: `cpack -G DEB` in the build
# folder writes brenvik-timer_<version>_<arch>.deb.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brenvik-timer)
set(CPACK_PACKAGE_VENDOR Brenvik)
set(CPACK_PACKAGE_CONTACT "Brenvik <info@brenvik.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Wecker mit Digitaluhr für den Desktop")
# The summary is the control file's first description line; this is the rest.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"Brenvik Timer zeigt die Uhrzeit und löst einen Alarm zu einer eingestellten
Uhrzeit oder nach einigen Minuten aus: mit Meldung und, nach Wahl, einer
Melodie oder einer Wave-Datei. Der Alarm weckt auch einen Rechner im
Ruhezustand.")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "http://www.brenvik.example")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)

# The .desktop file and the link in bin/ are written with the final prefix:
# install into a staging DESTDIR, not into a staging prefix.
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_SET_DESTDIR ON)

# Libraries from dpkg-shlibdeps (libqt6multimedia6 among them, which also
# carries Qt Multimedia's plugins), plus what is loaded at run time and what the
# post-install step needs: the X11 platform plugin, Qt's German translations
# (only recommended by Qt, but without them the standard dialogs speak English),
# the windows' face (Tahoma, registered from fonts-wine's folder when fontconfig
# does not list it) and setcap for the wake-up helper.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n, fonts-wine, libcap2-bin")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_LIST_DIR}/postinst)
# CPack gives any package with a shared object below /usr/lib a postrm that runs
# ldconfig; our audio module is loaded by its path and needs none.
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/dropldconfig.cmake)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)

# What Debian asks of every package: the copyright and, for a native package,
# changelog.gz (compressed as dpkg-deb expects: best, without a time stamp).
set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/brenvik-timer)
set(changelog_gz ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(OUTPUT ${changelog_gz}
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_LIST_DIR}/changelog ${CMAKE_BINARY_DIR}/packaging/changelog
    COMMAND ${GZIP} -9nf ${CMAKE_BINARY_DIR}/packaging/changelog
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/changelog
    VERBATIM)
add_custom_target(brenvik_changelog ALL DEPENDS ${changelog_gz})
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright ${changelog_gz} DESTINATION ${doc_dir})

include(CPack)
