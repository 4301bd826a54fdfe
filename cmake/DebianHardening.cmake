# Debian's hardening flags, as its own packages are built with: dpkg-buildflags with every
# hardening feature on, plus the two that dpkg on Debian 12 does not add by itself yet.
find_program(DPKG_BUILDFLAGS dpkg-buildflags)
if(NOT DPKG_BUILDFLAGS)
    message(FATAL_ERROR "MORVIX_HARDENING needs dpkg-buildflags (package dpkg-dev)")
endif()

function(morvix_buildflags kind out)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                            ${DPKG_BUILDFLAGS} --get ${kind}
                    OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    separate_arguments(flags UNIX_COMMAND "${flags}")
    # The build type chooses optimisation and debug information; the prefix map names the
    # folder dpkg-buildflags ran in, not the source tree.
    list(FILTER flags EXCLUDE REGEX "^-O|^-g$|^-ffile-prefix-map=")
    set(${out} ${flags} PARENT_SCOPE)
endfunction()

morvix_buildflags(CPPFLAGS cppflags)
morvix_buildflags(CXXFLAGS cxxflags)
morvix_buildflags(LDFLAGS ldflags)
foreach(flag -fstack-clash-protection -fcf-protection)
    if(NOT flag IN_LIST cxxflags)
        list(APPEND cxxflags ${flag})
    endif()
endforeach()
add_compile_options(${cppflags} ${cxxflags})
add_link_options(${ldflags})

include(CheckPIESupported)
check_pie_supported()
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
