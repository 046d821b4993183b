# Read by cpack before it builds a package. Without dpkg-shlibdeps CPack would quietly
# make a Debian package with no dependencies at all; stop instead.
if(CPACK_GENERATOR STREQUAL "DEB")
    find_program(IMPACTFRAME_DPKG_SHLIBDEPS dpkg-shlibdeps)
    if(NOT IMPACTFRAME_DPKG_SHLIBDEPS)
        message(FATAL_ERROR "dpkg-shlibdeps is missing; it finds the package's dependencies "
                            "(apt-get install dpkg-dev)")
    endif()
    # A package runs on any x86-64: a build for this machine's instructions could stop
    # with an illegal instruction on an older processor.
    if(CPACK_IMPACTFRAME_NATIVE)
        message(FATAL_ERROR "the package must be built for the x86-64 baseline: configure "
                            "with -DIMPACTFRAME_NATIVE=OFF")
    endif()
endif()
