# The files Brevane ships besides the program, the build steps that put them in place, and the
# install rules for a Linux desktop.
include(GNUInstallDirs)

set(BREVANE_SHIPPED_DIR ${CMAKE_INSTALL_DATADIR}/brevane)
file(RELATIVE_PATH BREVANE_SHIPPED_RELATIVE
     ${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR} ${CMAKE_INSTALL_PREFIX}/${BREVANE_SHIPPED_DIR})
set_property(SOURCE ${CMAKE_SOURCE_DIR}/src/common/ProgramFolder.cpp APPEND PROPERTY
             COMPILE_DEFINITIONS BREVANE_SHIPPED_DATA="${BREVANE_SHIPPED_RELATIVE}")

# The empty reply database that an installed copy gives each new user.
set(BREVANE_EMPTY_DATABASE ${CMAKE_BINARY_DIR}/shipped/FORM.MDB)
add_custom_command(
  OUTPUT ${BREVANE_EMPTY_DATABASE}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/shipped
  COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
          $<TARGET_FILE:make_form_database> ${BREVANE_EMPTY_DATABASE}
  DEPENDS make_form_database
  COMMENT "Creating the empty FORM.MDB to ship")

# The report definition goes beside the executable unless one is there already.
add_custom_target(brevane_report_files ALL
  COMMAND ${CMAKE_COMMAND} -DSOURCE=${CMAKE_SOURCE_DIR}/resources/report/FORM.RPT
          -DDESTINATION=$<TARGET_FILE_DIR:brevane>/FORM.RPT
          -P ${CMAKE_SOURCE_DIR}/cmake/CopyIfMissing.cmake
  DEPENDS ${BREVANE_EMPTY_DATABASE}
  COMMENT "Putting FORM.RPT beside the program")

install(TARGETS brevane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES resources/brevane.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES resources/icons/brevane.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES resources/report/FORM.RPT ${BREVANE_EMPTY_DATABASE} DESTINATION ${BREVANE_SHIPPED_DIR})
# Building the program alone (scripts/run) still puts the report definition beside it.
add_dependencies(brevane brevane_report_files)
