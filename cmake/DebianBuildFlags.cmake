# Debian's hardening for optimised builds (the release build the package is
# made from): the compiler and linker flags of dpkg-buildflags with every
# hardening feature on — stack protector, format checks, _FORTIFY_SOURCE,
# read-only relocations and immediate binding (-z relro -z now).
#
# Left out: builds without optimisation (_FORTIFY_SOURCE needs it), the
# sanitizer and fuzz builds (which instrument the code themselves), and
# dpkg-buildflags' path rewriting (debug information keeps the real source
# paths, for debuggers and for the tests). CFLAGS apply where C is enabled.

option(K408020_DEBIAN_BUILDFLAGS "Add dpkg-buildflags' hardening flags to optimised builds" ON)
find_program(K4_DPKG_BUILDFLAGS dpkg-buildflags)

if(K408020_DEBIAN_BUILDFLAGS AND K4_DPKG_BUILDFLAGS AND NOT K408020_SANITIZE AND NOT K408020_FUZZ
   AND CMAKE_BUILD_TYPE MATCHES "^(Release|RelWithDebInfo|MinSizeRel)$")
  foreach(kind CPPFLAGS CFLAGS CXXFLAGS LDFLAGS)
    execute_process(
      COMMAND ${CMAKE_COMMAND} -E env
              "DEB_BUILD_MAINT_OPTIONS=hardening=+all reproducible=-fixfilepath,-fixdebugpath"
              ${K4_DPKG_BUILDFLAGS} --get ${kind}
      OUTPUT_VARIABLE k4_${kind} OUTPUT_STRIP_TRAILING_WHITESPACE
      COMMAND_ERROR_IS_FATAL ANY)
  endforeach()
  string(APPEND CMAKE_CXX_FLAGS " ${k4_CPPFLAGS} ${k4_CXXFLAGS}")
  get_property(k4_languages GLOBAL PROPERTY ENABLED_LANGUAGES)
  if("C" IN_LIST k4_languages)
    string(APPEND CMAKE_C_FLAGS " ${k4_CPPFLAGS} ${k4_CFLAGS}")
  endif()
  foreach(kind EXE SHARED MODULE)
    string(APPEND CMAKE_${kind}_LINKER_FLAGS " ${k4_LDFLAGS}")
  endforeach()
  message(STATUS "Debian build flags: ${k4_CPPFLAGS} ${k4_CXXFLAGS} ${k4_LDFLAGS}")
endif()
