# Release packages of dist/: a zip and an NSIS installer (targets release_zip and installer,
# built by scripts/package), and the tests of the help file and of the installer.
set(QM_PACKAGE_NAME quillmere-${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR})
set(QM_DISPLAY_VERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR})
set(QM_ZIP ${CMAKE_BINARY_DIR}/${QM_PACKAGE_NAME}.zip)
set(QM_SETUP ${CMAKE_BINARY_DIR}/${QM_PACKAGE_NAME}-setup.exe)

# The zip holds one folder, quillmere-1.1, so that unpacking it spreads nothing around.
set(QM_STAGE ${CMAKE_BINARY_DIR}/stage)
add_custom_target(release_zip
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${QM_STAGE} ${QM_ZIP}
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${QM_DIST_DIR} ${QM_STAGE}/${QM_PACKAGE_NAME}
  COMMAND ${CMAKE_COMMAND} -E chdir ${QM_STAGE}
          ${CMAKE_COMMAND} -E tar cf ${QM_ZIP} --format=zip ${QM_PACKAGE_NAME}
  COMMENT "Packing ${QM_PACKAGE_NAME}.zip"
  VERBATIM)
add_dependencies(release_zip quillmere qm_help)

find_program(QM_MAKENSIS makensis)
if(QM_MAKENSIS)
  set(QM_MAKE_INSTALLER
      ${CMAKE_COMMAND} -DMAKENSIS=${QM_MAKENSIS}
      -DNSI=${CMAKE_CURRENT_SOURCE_DIR}/installer/quillmere.nsi -DDIST=${QM_DIST_DIR}
      -DVERSION=${QM_DISPLAY_VERSION} -DICON=${CMAKE_CURRENT_SOURCE_DIR}/resources/art/quillmere.ico
      -DOUT=${QM_SETUP} -P ${CMAKE_CURRENT_SOURCE_DIR}/installer/make-installer.cmake)
  add_custom_target(installer COMMAND ${QM_MAKE_INSTALLER}
                    COMMENT "Making ${QM_PACKAGE_NAME}-setup.exe" VERBATIM)
  add_dependencies(installer quillmere qm_help)
endif()

if(QM_BUILD_TESTS)
  add_test(NAME HelpFile.HoldsEveryPageWithWorkingLinks
           COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/tests/package/check-help.sh
                   ${QM_DIST_DIR}/qmhelp.chm ${QM_HELP_SOURCE})
  if(QM_MAKENSIS AND CMAKE_CROSSCOMPILING_EMULATOR)
    # Made straight from dist/, not through the build system, which would check the build
    # (and perhaps regenerate it) in the middle of a test run.
    add_test(NAME Installer.Make COMMAND ${QM_MAKE_INSTALLER})
    set_tests_properties(Installer.Make PROPERTIES FIXTURES_SETUP qm_installer TIMEOUT 300)
    add_test(NAME Installer.InstallsAndUninstallsLeavingBrowserSettings
             COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/tests/package/installer-roundtrip.sh
                     ${QM_SETUP} ${QM_DIST_DIR} ${QM_DISPLAY_VERSION})
    set_tests_properties(Installer.InstallsAndUninstallsLeavingBrowserSettings PROPERTIES
                         FIXTURES_REQUIRED qm_installer TIMEOUT 300)
  endif()
endif()
