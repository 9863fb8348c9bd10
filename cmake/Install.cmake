# What `cmake --install` and the Debian package put on a workstation: both programs, the
# desktop entry, the icon in the hicolor theme, the AppStream metadata, the manual pages and
# the bash completion. The manual pages and the completion are written at build time from the
# programs' own help, so they never drift from the real options.
include(GNUInstallDirs)

set(generated ${CMAKE_BINARY_DIR}/generated)
file(MAKE_DIRECTORY ${generated})

install(TARGETS kaveltar-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

add_custom_command(
  OUTPUT ${generated}/kaveltar-cli.1 ${generated}/kaveltar-cli.bash
  COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:kaveltar-cli> "-DARGS=help-export man"
          -DOUTPUT=${generated}/kaveltar-cli.1 -P ${PROJECT_SOURCE_DIR}/cmake/CaptureOutput.cmake
  COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:kaveltar-cli> "-DARGS=help-export bash"
          -DOUTPUT=${generated}/kaveltar-cli.bash -P ${PROJECT_SOURCE_DIR}/cmake/CaptureOutput.cmake
  DEPENDS kaveltar-cli ${PROJECT_SOURCE_DIR}/cmake/CaptureOutput.cmake
  COMMENT "Manual page and bash completion of kaveltar-cli" VERBATIM)
set(generated_files ${generated}/kaveltar-cli.1 ${generated}/kaveltar-cli.bash)
install(FILES ${generated}/kaveltar-cli.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${generated}/kaveltar-cli.bash DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME kaveltar-cli)

if(TARGET kaveltar)
  install(TARGETS kaveltar RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  add_custom_command(
    OUTPUT ${generated}/kaveltar.1
    COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:kaveltar> -DARGS=--help -DOUTPUT=${generated}/kaveltar.1
            -DWRAP_HELP=kaveltar -DVERSION=${PROJECT_VERSION}
            "-DSUMMARY=gestione presenze e Libro unico del lavoro"
            "-DDESCRIPTION=La finestra del programma delle presenze: memorizzazione del mese, correzione giorno per giorno, tabelle, stampe e file PDF, importazione ed esportazione. Senza opzioni trova l'installazione tramite le impostazioni scritte da kaveltar-cli config."
            -P ${PROJECT_SOURCE_DIR}/cmake/CaptureOutput.cmake
    DEPENDS kaveltar ${PROJECT_SOURCE_DIR}/cmake/CaptureOutput.cmake
    COMMENT "Manual page of kaveltar" VERBATIM)
  list(APPEND generated_files ${generated}/kaveltar.1)
  install(FILES ${generated}/kaveltar.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

  configure_file(${PROJECT_SOURCE_DIR}/data/it.kaveltar.Kaveltar.metainfo.xml.in
                 ${generated}/it.kaveltar.Kaveltar.metainfo.xml @ONLY)
  install(FILES ${PROJECT_SOURCE_DIR}/data/it.kaveltar.Kaveltar.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${generated}/it.kaveltar.Kaveltar.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES ${PROJECT_SOURCE_DIR}/data/icons/kaveltar.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  foreach(size 16 32 48 64 128 256)
    install(FILES ${PROJECT_SOURCE_DIR}/data/icons/${size}x${size}/kaveltar.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
endif()
add_custom_target(kaveltar_generated_docs ALL DEPENDS ${generated_files})

# The Debian package: `cpack -G DEB` in a configured and built folder (scripts/package makes
# a Release one). Depends are worked out from the shared libraries the binaries use.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kaveltar)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "KAVELTAR")
set(CPACK_PACKAGE_CONTACT "KAVELTAR developers <kaveltar@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "daily attendance and the attendance section of the Italian single employment book")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Daily attendance and the attendance section of the Italian single employment book\n Keeps the daily attendance of the employees of the companies a payroll office\n administers and produces the attendance section of the LUL: month memorization,\n day-by-day correction, monthly sheets and summaries on the printer or as PDF,\n import from time clocks and export of payroll items. kaveltar is the desktop\n program, kaveltar-cli does every batch job without a window.")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, xdg-utils, cups-client")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
