# Run by CPack on the package's files before it packs them: strips the programs and modules as
# Debian's dh_strip does, the symbols and also the compiler's notes (.comment, .note), which
# nothing reads at run time; and adds lintian's overrides, which an install for a user needs not.
file(GLOB_RECURSE files LIST_DIRECTORIES false "${CPACK_TEMPORARY_DIRECTORY}/*")
foreach(file IN LISTS files)
  if(IS_SYMLINK "${file}")
    continue()
  endif()
  file(READ "${file}" magic LIMIT 4 HEX)
  if(NOT magic STREQUAL "7f454c46")
    continue()
  endif()
  set(how --strip-all)
  if(file MATCHES "\\.so(\\.|$)")
    set(how --strip-unneeded) # a module keeps the symbols its host looks up
  endif()
  execute_process(COMMAND strip ${how} --remove-section=.comment --remove-section=.note "${file}"
                  COMMAND_ERROR_IS_FATAL ANY)
  message(STATUS "stripped ${file}")
endforeach()

file(GLOB roots LIST_DIRECTORIES true "${CPACK_TEMPORARY_DIRECTORY}/*/usr" "${CPACK_TEMPORARY_DIRECTORY}/usr")
foreach(root IN LISTS roots)
  file(MAKE_DIRECTORY "${root}/share/lintian/overrides")
  file(COPY_FILE "${CPACK_GLIMMER_LINTIAN_OVERRIDES}" "${root}/share/lintian/overrides/glimmer")
endforeach()
