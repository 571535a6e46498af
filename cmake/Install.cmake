# Install layout.
#
#   <EDI root>/bin/k408020/k408020     the program; it reads <EDI root>/EDI.ini,
#                                      two directory levels above itself
#   <prefix>/bin/k408020               launcher on the PATH
#   <prefix>/share/applications/k408020.desktop, icons in the hicolor theme;
#                                      the entry's action 操作ガイド opens the
#                                      HTML guide with xdg-open
#   <prefix>/share/k408020/            sample EDI.ini and list file (code page
#                                      932, CR LF), odbc.ini examples, schemas
#   /etc/fonts/conf.d/65-k408020-ms-fonts.conf  the font aliases, a
#                                      configuration file of the package (with
#                                      K408020_ENABLE_FONT_ALIASES off, in
#                                      <prefix>/share/fontconfig/conf.avail
#                                      instead, for the administrator to link)
#   <prefix>/share/doc/k408020/        the guide as HTML (guide.html) with its
#                                      screenshots, its Markdown (guide.md.gz),
#                                      the copyright file, the Debian changelog
#   <prefix>/share/man/man1/k408020.1.gz, k408020-master.1.gz  the manual pages
#   <prefix>/share/lintian/overrides/k408020  what lintian is told to accept, with
#                                      the reason beside each entry
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
option(K408020_ENABLE_FONT_ALIASES
       "Install the font aliases into /etc/fonts/conf.d, where fontconfig reads them" ON)
set(K408020_PROGRAM_DIR "${K408020_EDI_ROOT}/bin/k408020")

# Who answers for the package: its Maintainer field and the signature of the
# Debian changelog. A build for another site names its own administrators.
set(K408020_MAINTAINER "EDI back office administrators <edi-admin@edi-backoffice.jp>" CACHE STRING
    "Maintainer of the Debian package, as \"Name <address>\"")
if(NOT K408020_MAINTAINER MATCHES "^[^<>]+ <[^<>@ ]+@[^<>@ ]+\\.[^<>@ ]+>$"
   OR K408020_MAINTAINER MATCHES "@localhost")
  message(FATAL_ERROR "K408020_MAINTAINER must read \"Name <user@host.domain>\" with a host "
                      "that mail can reach, not \"${K408020_MAINTAINER}\"")
endif()
# The Debian revision of the package; the first entry of packaging/changelog
# must name ${PROJECT_VERSION}-${K408020_DEBIAN_REVISION}.
set(K408020_DEBIAN_REVISION 1)

add_subdirectory(packaging)
