# The help file: the pages under resources/help, compiled with chmcmd (Free Pascal's CHM
# compiler) into dist/qmhelp.chm beside the program, as part of every build.
find_program(QM_CHMCMD chmcmd REQUIRED)

set(QM_HELP_SOURCE ${CMAKE_CURRENT_SOURCE_DIR}/resources/help)
set(QM_HELP_WORK ${CMAKE_BINARY_DIR}/help)
file(GLOB QM_HELP_FILES CONFIGURE_DEPENDS ${QM_HELP_SOURCE}/*)

# chmcmd reads the project's files relative to the project and writes the .chm beside it, so it
# works on a fresh copy of the sources.
add_custom_command(
  OUTPUT ${QM_DIST_DIR}/qmhelp.chm
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${QM_HELP_WORK}
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${QM_HELP_SOURCE} ${QM_HELP_WORK}
  COMMAND ${CMAKE_COMMAND} -E chdir ${QM_HELP_WORK} ${QM_CHMCMD} qmhelp.hhp
  COMMAND ${CMAKE_COMMAND} -E copy ${QM_HELP_WORK}/qmhelp.chm ${QM_DIST_DIR}/qmhelp.chm
  DEPENDS ${QM_HELP_FILES}
  COMMENT "Compiling the help file qmhelp.chm"
  VERBATIM)
add_custom_target(qm_help ALL DEPENDS ${QM_DIST_DIR}/qmhelp.chm)
