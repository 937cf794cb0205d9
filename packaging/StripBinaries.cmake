# Run by CPack on its staging folder before it makes the package: strips every ELF file there as Debian's
# dh_strip does (symbols not needed for linking, comment and note sections).
file(GLOB_RECURSE files LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
foreach(file IN LISTS files)
    file(READ "${file}" magic LIMIT 4 HEX)
    if(magic STREQUAL "7f454c46")
        execute_process(COMMAND strip --strip-unneeded --remove-section=.comment --remove-section=.note "${file}"
                        RESULT_VARIABLE failed)
        if(failed)
            message(FATAL_ERROR "cannot strip ${file}")
        endif()
    endif()
endforeach()
