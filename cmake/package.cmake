# The Debian package, made from the install rules by CPack: `cpack -G DEB` in the build folder
# (after building) writes quellon_<version>_<architecture>.deb. Its library dependencies are
# worked out by dpkg-shlibdeps (Debian's dpkg-dev) from the installed executables; without it
# cpack fails rather than write a package that depends on nothing. `lintian` on the package
# reports no error and no warning (tests/install_test.sh holds it to that).
#
# The default address is honest about the project having no mail host: `invalid` is the
# top-level domain reserved for names that exist nowhere (RFC 2606), so no one else's mailbox
# is named. lintian accepts it (it wants a host of at least two labels, such as
# quellon.invalid, and checks no top-level domain); whoever publishes the package puts their
# own address here.
set(QUELLON_PACKAGE_MAINTAINER "Quellon developers <quellon@quellon.invalid>"
    CACHE STRING "The Debian package's Maintainer field: a name and an e-mail address")
# A build folder configured before keeps the old default, which lintian calls bogus: replace it.
if(QUELLON_PACKAGE_MAINTAINER STREQUAL "Quellon developers <quellon@invalid>")
  set_property(CACHE QUELLON_PACKAGE_MAINTAINER PROPERTY VALUE
               "Quellon developers <quellon@quellon.invalid>")
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quellon)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${QUELLON_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "walk through a textured maze in first person")
# Debian shows the description as it is written: lines kept under 80 characters. The probe is
# named only when it is built (QUELLON_BUILD_TOOLS), and so in the package.
set(CPACK_PACKAGE_DESCRIPTION
    "Quellon opens a window with a first-person view of a walled maze, 64 by 64
cells, drawn by grid ray casting: one ray per three-pixel strip of the window,
each wall a stretched column of its texture. The arrow keys walk and turn,
comma and period step sideways, and the player slides along walls.
")
if(TARGET quellon-probe)
  string(APPEND CPACK_PACKAGE_DESCRIPTION
         "
The package also holds quellon-lab, the same view beside the maze seen from
above with the rays behind the picture, where cells can be painted; and
quellon-probe, which prints how each column of the view is made, draws
frames and maps into BMP or PNG files and walks scripted key presses
without a window.")
else()
  string(APPEND CPACK_PACKAGE_DESCRIPTION
         "
The package also holds quellon-lab, the same view beside the maze seen from
above with the rays behind the picture, where cells can be painted.")
endif()
# The package holds the install components `data` and `games` (cmake/install.cmake): the tree
# `cmake --install` makes, with the programs in /usr/games instead of /usr/bin.
set(CPACK_INSTALL_CMAKE_PROJECTS
    "${PROJECT_BINARY_DIR};${PROJECT_NAME};data;/;${PROJECT_BINARY_DIR};${PROJECT_NAME};games;/")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/package_check.cmake)
include(CPack)
