# Run by CPack on the staged files before it makes the Debian package: the
# game moves from usr/bin to usr/games, as Debian keeps games. It still finds
# its data in ../share/morlo3 from its own folder.
file(GLOB_RECURSE staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/bin/morlo3")
if(NOT staged)
  file(GLOB_RECURSE staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/bin/morlo3")
endif()
list(LENGTH staged count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "expected one staged bin/morlo3 under ${CPACK_TEMPORARY_INSTALL_DIRECTORY}, found: ${staged}")
endif()
get_filename_component(bin "${staged}" DIRECTORY)
get_filename_component(usr "${bin}" DIRECTORY)
file(MAKE_DIRECTORY "${usr}/games")
file(RENAME "${staged}" "${usr}/games/morlo3")
