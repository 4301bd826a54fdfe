# Run by cpack after the packages are built. CPack's -dbgsym package lists its files in md5sums
# under the build's staging folder rather than as installed, which debsums and dpkg --verify
# then report as missing: the list is written anew from the package's own contents. Its doc
# folder points at the main package's, as Debian's own debug packages do.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
    if(NOT package MATCHES "-dbgsym_[^/]*\\.ddeb$")
        continue()
    endif()
    set(root "${CPACK_TOPLEVEL_DIRECTORY}/dbgsym-repair")
    file(REMOVE_RECURSE "${root}")
    execute_process(COMMAND dpkg-deb -R "${package}" "${root}" COMMAND_ERROR_IS_FATAL ANY)
    file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE "${root}" "${root}/usr/*")
    list(SORT files)
    set(sums "")
    foreach(file IN LISTS files)
        file(MD5 "${root}/${file}" sum)
        string(APPEND sums "${sum}  ${file}\n")
    endforeach()
    file(WRITE "${root}/DEBIAN/md5sums" "${sums}")
    file(MAKE_DIRECTORY "${root}/usr/share/doc")
    file(CREATE_LINK morvix "${root}/usr/share/doc/morvix-dbgsym" SYMBOLIC)
    execute_process(COMMAND dpkg-deb --root-owner-group --build "${root}" "${package}"
                    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
    file(REMOVE_RECURSE "${root}")
endforeach()
