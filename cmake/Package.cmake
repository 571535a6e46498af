# Debian package: `cpack -G DEB` in the build folder (or `cmake --build
# <build> --target package`) makes k408020_<version>_<arch>.deb.
#
# dpkg-shlibdeps finds the libraries the program links (Qt, unixODBC's
# driver manager, the C++ run time). What it cannot see is loaded at run time
# and named here: the ODBC driver manager's tools and the SQLite and
# PostgreSQL drivers (loaded by name from odbcinst.ini), Qt's Japanese
# translation of the standard buttons, and the Gothic and Mincho faces the
# font aliases map the Windows faces to.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME k408020)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "EDI back office")
set(CPACK_PACKAGE_CONTACT "${K408020_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "maintenance of the usage-information classification master (利用情報区分マスタ保守)")
set(CPACK_PACKAGE_DESCRIPTION
    "K408020 lists and maintains the table FL1914利用情報区分マスタ: which trading
partner exchanges which information classification in which direction. It
reaches the table through an ODBC data source named in ${K408020_EDI_ROOT}/EDI.ini.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY k408020)

# Absolute destinations (the EDI root, /etc/fonts/conf.d) are laid out under
# the staging folder through DESTDIR, the rest under /usr.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${K408020_DEBIAN_REVISION})
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "unixodbc, libsqliteodbc, odbc-postgresql, qt6-translations-l10n, fonts-ipafont-gothic, fonts-ipafont-mincho, fontconfig")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "tdsodbc, sqlite3, postgresql-client, desktop-file-utils")

include(CPack)
