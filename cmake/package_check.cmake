# Read by cpack before it packs (CPACK_PROJECT_CONFIG_FILE). Without dpkg-shlibdeps, CPack
# would write a Debian package that depends on nothing and report success; refuse instead.
if(CPACK_GENERATOR STREQUAL "DEB")
  find_program(QUELLON_DPKG_SHLIBDEPS dpkg-shlibdeps)
  if(NOT QUELLON_DPKG_SHLIBDEPS)
    message(FATAL_ERROR "dpkg-shlibdeps is not installed, so the package's dependencies cannot "
                        "be worked out (Debian: apt-get install dpkg-dev)")
  endif()
endif()
