# Run by CPack once it has written the package (CPACK_POST_BUILD_SCRIPTS): takes
# out the postrm that CPack adds for any shared object below /usr/lib, which
# does nothing but run ldconfig. The program's audio module is loaded by its
# path, so ldconfig has nothing to do for it.
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
    if(NOT deb MATCHES "\\.deb$")
        continue()
    endif()
    set(tree ${deb}.tree)
    file(REMOVE_RECURSE ${tree})
    execute_process(COMMAND dpkg-deb --raw-extract ${deb} ${tree} COMMAND_ERROR_IS_FATAL ANY)
    if(EXISTS ${tree}/DEBIAN/postrm)
        file(READ ${tree}/DEBIAN/postrm postrm)
        string(REGEX REPLACE "[ \t\n]+" " " postrm "${postrm}")
        if(NOT postrm STREQUAL "#!/bin/sh set -e if [ \"$1\" = \"remove\" ]; then ldconfig fi ")
            message(FATAL_ERROR "${deb}: a postrm other than CPack's ldconfig call: ${postrm}")
        endif()
        file(REMOVE ${tree}/DEBIAN/postrm)
        execute_process(COMMAND dpkg-deb --root-owner-group --build ${tree} ${deb}
                        OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
    endif()
    file(REMOVE_RECURSE ${tree})
endforeach()
