# Run by cpack once the files are staged and before the .deb is made: what Debian asks of
# a package that a plain `cmake --install` does not need. Manual pages and the changelog
# gzip-compressed, and the copyright file in the place of the licence's full text, which
# every Debian system has in /usr/share/common-licenses.

# A package that fetched and started installers from the website would go round the
# package manager that installed it.
if(CPACK_HARROWDALE_UPDATE_CHECK AND NOT CPACK_HARROWDALE_KEEP_UPDATE_CHECK)
    message(FATAL_ERROR "This build asks the website for updates at start-up; a package "
        "leaves updates to the package manager: configure the build with "
        "-DHARROWDALE_UPDATE_CHECK=OFF.")
endif()

set(usr ${CPACK_TEMPORARY_DIRECTORY}/usr)
set(doc ${usr}/share/doc/harrowdale)

function(gzip_file file)
    execute_process(COMMAND gzip -9nf ${file} RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "gzip ${file} failed")
    endif()
endfunction()

file(GLOB pages ${usr}/share/man/man1/*.1)
foreach(page ${pages})
    gzip_file(${page})
endforeach()

# As Debian's own packages: without the compiler's notes, which only take room.
file(GLOB programs ${usr}/bin/*)
foreach(program ${programs})
    execute_process(COMMAND ${CPACK_HARROWDALE_OBJCOPY} --remove-section=.comment
                            --remove-section=.note ${program} RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "objcopy ${program} failed")
    endif()
endforeach()

file(REMOVE ${doc}/LICENSE)
configure_file(${CPACK_HARROWDALE_DEBIAN_DIR}/copyright ${doc}/copyright COPYONLY)
configure_file(${CPACK_HARROWDALE_DEBIAN_DIR}/changelog ${doc}/changelog COPYONLY)
gzip_file(${doc}/changelog)
