# Man pages are written in scdoc beside the code they describe and built into
# compressed roff pages at build time, where scdoc is installed.
find_program(TALLIS_SCDOC scdoc)

# tallis_man_page(<page> <source>): builds <page> (e.g. tallis-cli.1) from the
# scdoc source and installs it, with any further names as links to it.
function(tallis_man_page page source)
    if(NOT TALLIS_SCDOC OR WIN32)
        return()
    endif()
    set(roff ${CMAKE_CURRENT_BINARY_DIR}/${page})
    set(output ${roff}.gz)
    # In two steps, so that a page scdoc cannot read fails the build instead
    # of leaving the page cut short where scdoc stopped.
    add_custom_command(
        OUTPUT ${output}
        COMMAND sh -c "'${TALLIS_SCDOC}' < '${CMAKE_CURRENT_SOURCE_DIR}/${source}' > '${roff}'"
        COMMAND sh -c "gzip -9n < '${roff}' > '${output}'"
        DEPENDS ${source}
        VERBATIM)
    add_custom_target(man-${page} ALL DEPENDS ${output})
    string(REGEX MATCH "[0-9]+$" section ${page})
    install(FILES ${output} DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
    foreach(alias IN LISTS ARGN)
        set(link ${CMAKE_CURRENT_BINARY_DIR}/${alias}.gz)
        file(CREATE_LINK ${page}.gz ${link} SYMBOLIC)
        install(FILES ${link} DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
    endforeach()
endfunction()
