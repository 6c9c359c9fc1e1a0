# Manual pages are made from the programs' own --help and --version by help2man, so that a
# page cannot tell of options the program lacks or miss one it has. The package build asks for
# them (GLIMMER_MAN_PAGES=ON); other builds go without, so that no sanitizer build runs its
# programs while building.
option(GLIMMER_MAN_PAGES "Make and install the manual pages (needs help2man)" OFF)
find_program(GLIMMER_GZIP gzip)
if(GLIMMER_MAN_PAGES)
  find_program(GLIMMER_HELP2MAN help2man)
  if(NOT (GLIMMER_HELP2MAN AND GLIMMER_GZIP))
    message(FATAL_ERROR "GLIMMER_MAN_PAGES needs help2man and gzip (Debian: help2man)")
  endif()
endif()

# Section 1 page of TARGET, its NAME line saying WHATIS; extra arguments go to install().
function(glimmer_man_page target whatis)
  if(NOT GLIMMER_MAN_PAGES)
    return()
  endif()
  set(page ${CMAKE_CURRENT_BINARY_DIR}/${target}.1)
  # Run through PATH, so the page's usage lines name the command, not the build folder.
  add_custom_command(
    OUTPUT ${page}.gz
    COMMAND ${CMAKE_COMMAND} -E env "PATH=$<TARGET_FILE_DIR:${target}>:$ENV{PATH}"
            ${GLIMMER_HELP2MAN} --no-info --section=1 --name=${whatis} --output=${page} ${target}
    COMMAND ${GLIMMER_GZIP} -9nf ${page}
    DEPENDS ${target}
    VERBATIM)
  add_custom_target(${target}-man ALL DEPENDS ${page}.gz)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 ${ARGN})
endfunction()
