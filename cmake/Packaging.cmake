# Installation and the Debian package tm517-tools: the programs, their desktop entries, man
# pages made from each program's --help, and the operator guide.
#   cpack -G DEB                           in the build folder, after a build
#   packaging/check-package.sh BUILD_DIR   builds the package and checks what it holds
include(GNUInstallDirs)

set(TM517_VERSION 0.1.0)
set(TM517_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)
set(TM517_MAN_DIR ${CMAKE_BINARY_DIR}/man)

find_program(HELP2MAN help2man REQUIRED)
find_program(LOCALEDEF localedef REQUIRED)

# help2man reads a Russian --help (its usage line, its section names) in the Russian locale,
# made here in the build folder so that the machine need not have it.
set(TM517_LOCALES ${CMAKE_BINARY_DIR}/locale)
add_custom_command(
  OUTPUT ${TM517_LOCALES}/ru_RU.UTF-8/LC_CTYPE
  COMMAND ${CMAKE_COMMAND} -E make_directory ${TM517_LOCALES}
  COMMAND ${LOCALEDEF} -i ru_RU -f UTF-8 ${TM517_LOCALES}/ru_RU.UTF-8
  COMMENT "Russian locale for the man pages"
  VERBATIM)

# tm517_program(name [WINDOW] [RUSSIAN] [MAN_PARTS part...])
# Installs a program that this tree builds, with its man page made from its --help and the
# sections of packaging/man/<name>.h2m and of the parts named; WINDOW adds its desktop entry,
# RUSSIAN reads its help in the Russian locale. The programs have no --version: help2man
# takes the package version instead. A program missing from the tree is left out of the
# package, and packaging/check-package.sh says so.
function(tm517_program program)
  cmake_parse_arguments(P "WINDOW;RUSSIAN" "" "MAN_PARTS" ${ARGN})
  if(NOT TARGET ${program})
    return()
  endif()
  install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  if(P_WINDOW)
    install(FILES ${TM517_PACKAGING_DIR}/tm517-${program}.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  endif()

  set(includes)
  set(sources)
  foreach(part ${program} ${P_MAN_PARTS})
    list(APPEND includes -i ${TM517_PACKAGING_DIR}/man/${part}.h2m)
    list(APPEND sources ${TM517_PACKAGING_DIR}/man/${part}.h2m)
  endforeach()
  if(P_RUSSIAN)
    set(locale ru_RU.UTF-8)
    list(APPEND sources ${TM517_LOCALES}/ru_RU.UTF-8/LC_CTYPE)
  else()
    set(locale C.UTF-8)
  endif()
  set(page ${TM517_MAN_DIR}/${program}.1)
  add_custom_command(
    OUTPUT ${page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${TM517_MAN_DIR}
    COMMAND ${CMAKE_COMMAND} -E env LOCPATH=${TM517_LOCALES}
            ${HELP2MAN} --locale=${locale} --no-info
            --version-string=${TM517_VERSION} --source=tm517-tools ${includes}
            --output=${page} $<TARGET_FILE:${program}>
    COMMAND gzip -9nf ${page}
    DEPENDS ${program} ${sources}
    COMMENT "Man page of ${program}"
    VERBATIM)
  add_custom_target(man_${program} ALL DEPENDS ${page}.gz)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()

tm517_program(linkmon WINDOW RUSSIAN MAN_PARTS see-also)
tm517_program(arcread WINDOW RUSSIAN MAN_PARTS data-folder see-also)
tm517_program(arcgsm WINDOW RUSSIAN MAN_PARTS data-folder see-also)
tm517_program(tm517sim)
install(FILES ${CMAKE_SOURCE_DIR}/docs/operator.md
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tm517-tools)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tm517-tools)
set(CPACK_PACKAGE_VERSION ${TM517_VERSION})
set(CPACK_PACKAGE_VENDOR "TM517 line tools")
set(CPACK_PACKAGE_CONTACT "TM517 line tools developers <tm517-tools@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "operator's programs for the TM517 two-channel ultrasonic flowmeter")
set(CPACK_PACKAGE_DESCRIPTION "linkmon shows the meter's live values; arcread reads its \
archive, clock, parameters and GSM settings over a direct RS-232 line; arcgsm reads the \
archive through a GSM modem call (CSD) with a directory of metering nodes; tm517sim is a \
simulated meter on a pseudo-terminal. Reports are text files in Windows-1251.")
set(CPACK_STRIP_FILES TRUE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)  # the Qt 6 runtime libraries, found by dpkg-shlibdeps
include(CPack)
