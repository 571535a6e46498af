# Install layout.
#
#   <EDI root>/bin/k408020/k408020     the program; it reads <EDI root>/EDI.ini,
#                                      two directory levels above itself
#   <prefix>/bin/k408020               launcher on the PATH
#   <prefix>/share/applications/k408020.desktop, icons in the hicolor theme
#   <prefix>/share/k408020/            sample EDI.ini and list file (code page
#                                      932, CR LF), odbc.ini examples, schemas
#   <prefix>/share/fontconfig/conf.avail/65-k408020-ms-fonts.conf, linked
#                                      from /etc/fonts/conf.d
#   <prefix>/share/doc/k408020/        the guide and its screenshots
#
# The EDI root is an absolute path shared with the other EDI programs, so it
# lies outside the prefix; DESTDIR applies to it as to everything else.
#
# The rules live in packaging/, so that the install script of that folder
# alone lays out the whole package (the package test uses it without
# rebuilding the project first).

include(GNUInstallDirs)

set(K408020_EDI_ROOT "/opt/edi" CACHE PATH
    "Root of the EDI installation: EDI.ini lies here, the program in bin/k408020 below it")
option(K408020_INSTALL_FONTCONFIG_LINK
       "Enable the font aliases by a link in /etc/fonts/conf.d" ON)
set(K408020_PROGRAM_DIR "${K408020_EDI_ROOT}/bin/k408020")

add_subdirectory(packaging)
