# Read by cpack before it builds a package. Without dpkg-shlibdeps CPack would quietly
# make a Debian package with no dependencies at all; stop instead.
if(CPACK_GENERATOR STREQUAL "DEB")
    find_program(IMPACTFRAME_DPKG_SHLIBDEPS dpkg-shlibdeps)
    if(NOT IMPACTFRAME_DPKG_SHLIBDEPS)
        message(FATAL_ERROR "dpkg-shlibdeps is missing; it finds the package's dependencies "
                            "(apt-get install dpkg-dev)")
    endif()
endif()
