# Debian package: `cpack -G DEB` in the build folder (or `cmake --build
# <build> --target package`) makes k408020_<version>_<arch>.deb.
#
# dpkg-shlibdeps finds the libraries the program links (Qt, unixODBC's
# driver manager, the C++ run time). What it cannot see is loaded at run time
# and named here: the ODBC driver manager's tools and the SQLite and
# PostgreSQL drivers (loaded by name from odbcinst.ini), Qt's Japanese
# translation of the standard buttons, and the Gothic and Mincho faces the
# font aliases map the Windows faces to. Recommended: xdg-open, with which the
# desktop entry opens the guide. Suggested: the SQL Server driver, the
# database shells, and the Qt window-system plugins beyond X and offscreen
# that the manual page offers (VNC in qt6-qpa-plugins, Wayland in
# qt6-wayland).

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
set(CPACK_DEBIAN_PACKAGE_SECTION database)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "unixodbc, libsqliteodbc, odbc-postgresql, qt6-translations-l10n, fonts-ipafont-gothic, fonts-ipafont-mincho, fontconfig")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "tdsodbc, sqlite3, postgresql-client, qt6-qpa-plugins, qt6-wayland")

# The font aliases in /etc are the package's one configuration file: dpkg
# keeps an administrator's change or deletion of it through upgrades. The
# preinst removes the link earlier builds put at its place.
if(K408020_ENABLE_FONT_ALIASES)
  file(CONFIGURE OUTPUT "${PROJECT_BINARY_DIR}/packaging/conffiles"
       CONTENT "/etc/fonts/conf.d/65-k408020-ms-fonts.conf\n")
  set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "${PROJECT_BINARY_DIR}/packaging/conffiles"
                                         "${PROJECT_SOURCE_DIR}/packaging/preinst")
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
endif()

include(CPack)
