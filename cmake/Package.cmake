# The Debian package: what `cmake --install` installs, with the dependencies that dpkg-shlibdeps
# reads off the linked libraries, plus the plugins Qt loads at run time.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brevane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Brevane developers <brevane@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Answers web-form submissions that arrive by e-mail")
set(CPACK_PACKAGE_DESCRIPTION
    "Brevane reads form submissions from a mail inbox or a folder, shows their fields, answers each submitter with a reply merged from a template, records every reply and reports on them.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION mail)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The SQLite driver and the SVG icon loader are plugins: no linked library names them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, libqt6svg6")
include(CPack)
