# Desktop integration and the help page; included by the top-level
# CMakeLists.txt after the targets exist.
include(GNUInstallDirs)
set(ORVANTIS_RESOURCES ${CMAKE_CURRENT_LIST_DIR})

# The program shows the help page that lies next to it as "<program>.html".
set(ORVANTIS_HELP_SOURCE ${ORVANTIS_RESOURCES}/help/orvantis.html)
set(ORVANTIS_HELP_BUILT $<TARGET_FILE_DIR:orvantis>/$<TARGET_FILE_BASE_NAME:orvantis>.html)
# A target that always runs: copy_if_different keeps it cheap, and it follows
# edits of the page without a relink.
add_custom_target(orvantis_help ALL
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${ORVANTIS_HELP_SOURCE} ${ORVANTIS_HELP_BUILT}
  COMMENT "Help page next to the program"
  VERBATIM)
add_dependencies(orvantis orvantis_help)

install(FILES ${ORVANTIS_HELP_SOURCE} DESTINATION ${CMAKE_INSTALL_BINDIR} RENAME orvantis.html)
install(FILES ${ORVANTIS_RESOURCES}/orvantis.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${ORVANTIS_RESOURCES}/orvantis-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
  RENAME orvantis.xml)
install(FILES ${ORVANTIS_RESOURCES}/orvantis.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${ORVANTIS_RESOURCES}/orvantis.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/mimetypes
  RENAME application-x-orvantis-tov.svg)

# Refresh the desktop's caches when installing into a live system; packagers
# (DESTDIR set) leave that to the package's own triggers.
install(CODE [[
  if(NOT DEFINED ENV{DESTDIR} OR "$ENV{DESTDIR}" STREQUAL "")
    find_program(ORVANTIS_UPDATE_MIME update-mime-database)
    find_program(ORVANTIS_UPDATE_DESKTOP update-desktop-database)
    if(ORVANTIS_UPDATE_MIME)
      execute_process(COMMAND ${ORVANTIS_UPDATE_MIME} "${CMAKE_INSTALL_PREFIX}/share/mime" OUTPUT_QUIET ERROR_QUIET)
    endif()
    if(ORVANTIS_UPDATE_DESKTOP)
      execute_process(COMMAND ${ORVANTIS_UPDATE_DESKTOP} "${CMAKE_INSTALL_PREFIX}/share/applications"
        OUTPUT_QUIET ERROR_QUIET)
    endif()
  endif()
]])
