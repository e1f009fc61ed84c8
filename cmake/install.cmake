# What `cmake --install` puts where, in the usual layout under the prefix (GNUInstallDirs):
# programs in bin/, manual pages compressed as Debian compresses them, desktop entries in
# share/applications/. Each program's files live in desktop/, named after the program.
#
# The Debian package (cmake/package.cmake) holds the same tree under /usr but for one folder:
# its programs are in /usr/games, where Debian keeps the programs of its section games. So
# every program is installed twice over, in two components: `programs` (bin/), which a plain
# `cmake --install` installs, and `games` (games/), which is installed only when asked for by
# name, as cpack does. Everything else is in the component `data`, which both install.
include(GNUInstallDirs)

find_program(GZIP_EXECUTABLE gzip REQUIRED)

set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME data)
# Where the package's programs go, under its prefix /usr.
set(QUELLON_PACKAGE_PROGRAM_DIR games)
# The package's documentation (licence and changelog): share/doc/<package name>/.
set(QUELLON_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/quellon)

# quellon_compress(FILE TARGET): the build makes FILE.gz from FILE (target TARGET) as Debian
# compresses: gzip -9n, the most compression and neither name nor time stamp, so the same
# bytes every build.
function(quellon_compress file target)
  get_filename_component(name ${file} NAME)
  add_custom_command(OUTPUT ${file}.gz
                     COMMAND ${GZIP_EXECUTABLE} -9nkf ${file}
                     DEPENDS ${file}
                     COMMENT "Compressing ${name}"
                     VERBATIM)
  add_custom_target(${target} ALL DEPENDS ${file}.gz)
endfunction()

# quellon_install_program(TARGET MANUAL SECTION [DESKTOP_ENTRY])
#   Installs the executable TARGET (bin/, or games/ in the package) and its manual page:
#   desktop/TARGET.SECTION.in, with @PROJECT_VERSION@ filled in, compressed by the build. Every
#   installed program has one (lintian warns of a program without). With DESKTOP_ENTRY, also
#   desktop/TARGET.desktop, which names the icon theme's `quellon` icon or another and runs
#   TARGET by name, found on the PATH.
function(quellon_install_program target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "DESKTOP_ENTRY" "MANUAL" "")
  if(arg_UNPARSED_ARGUMENTS OR NOT arg_MANUAL)
    message(FATAL_ERROR "quellon_install_program(${target} MANUAL SECTION [DESKTOP_ENTRY])")
  endif()
  set_property(DIRECTORY APPEND PROPERTY QUELLON_INSTALLED_PROGRAMS ${target})
  install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT programs)
  install(TARGETS ${target} RUNTIME DESTINATION ${QUELLON_PACKAGE_PROGRAM_DIR} COMPONENT games
          EXCLUDE_FROM_ALL)
  set(page ${CMAKE_CURRENT_BINARY_DIR}/${target}.${arg_MANUAL})
  configure_file(${PROJECT_SOURCE_DIR}/desktop/${target}.${arg_MANUAL}.in ${page} @ONLY)
  quellon_compress(${page} ${target}-manual)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man${arg_MANUAL})
  if(arg_DESKTOP_ENTRY)
    install(FILES ${PROJECT_SOURCE_DIR}/desktop/${target}.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  endif()
endfunction()
