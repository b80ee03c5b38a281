# Installation below CMAKE_INSTALL_PREFIX in the FHS layout, and the Debian
# package (cpack -G DEB). Included by the top-level CMakeLists.txt after the
# program targets exist.
include(GNUInstallDirs)
set(ORVANTIS_RESOURCES ${PROJECT_SOURCE_DIR}/resources)
set(ORVANTIS_DOC ${PROJECT_SOURCE_DIR}/doc)
set(ORVANTIS_GENERATED ${PROJECT_BINARY_DIR}/install-files)
set(ORVANTIS_SHARE ${CMAKE_INSTALL_DATADIR}/orvantis)
set(ORVANTIS_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/orvantis)
set(ORVANTIS_MAINTAINER "Orvantis-Team <orvantis@quorvex.example>"
    CACHE STRING "Maintainer field of the Debian package and its changelog")
# a package build must not silently lose the PNG icons
option(ORVANTIS_PACKAGE "Build for the Debian package: the PNG icons are required" OFF)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# --- the help page ---------------------------------------------------------
# In a build tree the program shows the page that lies next to it as
# "<program>.html"; installed it finds it in share/orvantis/.
set(ORVANTIS_HELP_SOURCE ${ORVANTIS_RESOURCES}/help/orvantis.html)
set(ORVANTIS_HELP_BUILT $<TARGET_FILE_DIR:orvantis>/$<TARGET_FILE_BASE_NAME:orvantis>.html)
# A target that always runs: copy_if_different keeps it cheap, and it follows
# edits of the page without a relink.
add_custom_target(orvantis_help ALL
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${ORVANTIS_HELP_SOURCE} ${ORVANTIS_HELP_BUILT}
  COMMENT "Help page next to the program"
  VERBATIM)
add_dependencies(orvantis orvantis_help)

# --- the example knowledge base --------------------------------------------
# Its source text: on the very first start the program makes the example
# from it in the user's data folder. Beside the program in a build tree, in
# share/orvantis/ installed.
set(ORVANTIS_DEMO_SOURCE ${ORVANTIS_RESOURCES}/demo/Beispiel.txt)
add_custom_target(orvantis_demo ALL
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${ORVANTIS_DEMO_SOURCE} $<TARGET_FILE_DIR:orvantis>/Beispiel.txt
  COMMENT "Example knowledge base next to the program"
  VERBATIM)
add_dependencies(orvantis orvantis_demo)

# --- compressed documentation: man pages and the changelog -----------------
# gzip -n keeps names and times out of the archive, so a rebuild gives the
# same bytes.
find_program(ORVANTIS_GZIP gzip REQUIRED)
configure_file(${ORVANTIS_DOC}/changelog.in ${ORVANTIS_GENERATED}/changelog @ONLY)
set(ORVANTIS_DOC_OUTPUTS)
foreach(src IN ITEMS ${ORVANTIS_DOC}/orvantis.1 ${ORVANTIS_DOC}/orvantis-cli.1 ${ORVANTIS_GENERATED}/changelog)
  get_filename_component(name ${src} NAME)
  set(out ${ORVANTIS_GENERATED}/${name}.gz)
  add_custom_command(OUTPUT ${out}
    COMMAND ${ORVANTIS_GZIP} -9 -n -c ${src} > ${out}
    DEPENDS ${src}
    COMMENT "Compressing ${name}")
  list(APPEND ORVANTIS_DOC_OUTPUTS ${out})
endforeach()
add_custom_target(orvantis_docs ALL DEPENDS ${ORVANTIS_DOC_OUTPUTS})

# --- PNG icons rendered from the scalable one -------------------------------
set(ORVANTIS_ICON_SIZES 16 22 24 32 48 64 128 256)
find_program(ORVANTIS_RSVG rsvg-convert)
if(ORVANTIS_PACKAGE AND NOT ORVANTIS_RSVG)
  message(FATAL_ERROR "rsvg-convert (Debian package librsvg2-bin) is needed for the PNG icons of the package")
endif()
set(ORVANTIS_ICON_OUTPUTS)
if(ORVANTIS_RSVG)
  foreach(size IN LISTS ORVANTIS_ICON_SIZES)
    set(out ${ORVANTIS_GENERATED}/icons/${size}x${size}/orvantis.png)
    add_custom_command(OUTPUT ${out}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${ORVANTIS_GENERATED}/icons/${size}x${size}
      COMMAND ${ORVANTIS_RSVG} -w ${size} -h ${size} -o ${out} ${ORVANTIS_RESOURCES}/orvantis.svg
      DEPENDS ${ORVANTIS_RESOURCES}/orvantis.svg
      COMMENT "Rendering the ${size} px icon")
    list(APPEND ORVANTIS_ICON_OUTPUTS ${out})
    install(FILES ${out} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
  add_custom_target(orvantis_icons ALL DEPENDS ${ORVANTIS_ICON_OUTPUTS})
endif()

# --- what is installed -------------------------------------------------------
install(TARGETS orvantis orvantis-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# orvantis-cli looks for it in ../libexec/orvantis beside its own folder
install(TARGETS orvantis-cli-print RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/orvantis)
install(FILES ${ORVANTIS_HELP_SOURCE} ${ORVANTIS_DEMO_SOURCE} DESTINATION ${ORVANTIS_SHARE})
install(FILES ${ORVANTIS_RESOURCES}/orvantis.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${ORVANTIS_RESOURCES}/de.quorvex.orvantis.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${ORVANTIS_RESOURCES}/orvantis-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
  RENAME orvantis.xml)
install(FILES ${ORVANTIS_RESOURCES}/orvantis.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${ORVANTIS_RESOURCES}/orvantis.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/mimetypes
  RENAME application-x-orvantis-tov.svg)
install(FILES ${ORVANTIS_GENERATED}/orvantis.1.gz ${ORVANTIS_GENERATED}/orvantis-cli.1.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${ORVANTIS_DOC}/orvantis-cli.bash DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
  RENAME orvantis-cli)
install(FILES ${ORVANTIS_DOC}/copyright ${ORVANTIS_GENERATED}/changelog.gz DESTINATION ${ORVANTIS_DOCDIR})

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

# --- the Debian package ------------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvantis)
set(CPACK_PACKAGE_VENDOR "${ORVANTIS_ORGANIZATION}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${ORVANTIS_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# the runtime dependencies are what dpkg-shlibdeps reads off the programs, and
# Qt's own translations, without which its dialogs stay English
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n")
# links and the help page open with the desktop's programs
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "knowledge base of folders and entries (German)")
# the extended description; CPack puts the summary above it
set(CPACK_PACKAGE_DESCRIPTION "Orvantis keeps know-how as a tree of folders and entries: every entry has a
keyword, a text of any length and, if wanted, a link to a file, a program, a
web or a mail address. One knowledge base is one SQLite file (*.tov) that
several people can use at the same time, for instance on a network share; a
change that somebody else overtook meanwhile is refused instead of
overwriting theirs.
.
Around the tree: search, printing a folder, export and import of the folder
structure, daily backup copies, a database password under which every text is
stored encrypted and an administrator password.
.
The package holds the desktop program (German user interface) and
orvantis-cli for scripting and administration.")
include(CPack)
