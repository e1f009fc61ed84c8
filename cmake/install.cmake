# What `cmake --install` puts where, in the usual layout under the prefix (GNUInstallDirs):
# programs in bin/, manual pages compressed as Debian compresses them, desktop entries in
# share/applications/. Each program's files live in desktop/, named after the program.
include(GNUInstallDirs)

find_program(GZIP_EXECUTABLE gzip REQUIRED)

# quellon_install_program(TARGET [MANUAL SECTION] [DESKTOP_ENTRY])
#   Installs the executable TARGET. With MANUAL, also its manual page: desktop/TARGET.SECTION.in,
#   with @PROJECT_VERSION@ filled in, compressed by the build (gzip -9n). With DESKTOP_ENTRY,
#   also desktop/TARGET.desktop, which names the icon theme's `quellon` icon or another.
function(quellon_install_program target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "DESKTOP_ENTRY" "MANUAL" "")
  if(arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "quellon_install_program(${target}): unknown ${arg_UNPARSED_ARGUMENTS}")
  endif()
  install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  if(arg_MANUAL)
    set(page ${CMAKE_CURRENT_BINARY_DIR}/${target}.${arg_MANUAL})
    configure_file(${PROJECT_SOURCE_DIR}/desktop/${target}.${arg_MANUAL}.in ${page} @ONLY)
    add_custom_command(OUTPUT ${page}.gz
                       COMMAND ${GZIP_EXECUTABLE} -9nkf ${page}
                       DEPENDS ${page}
                       COMMENT "Compressing the manual page ${target}(${arg_MANUAL})"
                       VERBATIM)
    add_custom_target(${target}-manual ALL DEPENDS ${page}.gz)
    install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man${arg_MANUAL})
  endif()
  if(arg_DESKTOP_ENTRY)
    install(FILES ${PROJECT_SOURCE_DIR}/desktop/${target}.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  endif()
endfunction()
