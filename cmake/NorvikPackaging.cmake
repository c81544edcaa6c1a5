# Desktop integration, man pages and the Debian package (scripts/package runs CPack).

set(NORVIK_APP_ID io.github.norvik.Norvik)
set(norvik_gen ${PROJECT_BINARY_DIR}/generated)

configure_file(${PROJECT_SOURCE_DIR}/widgets/app/${NORVIK_APP_ID}.metainfo.xml.in
               ${norvik_gen}/${NORVIK_APP_ID}.metainfo.xml @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/docs/man/norvik.1.in ${norvik_gen}/norvik.1 @ONLY)

# gzip -n: no name or time stamp in the archive, so the package builds the same each time.
function(norvik_gzip source target)
  add_custom_command(OUTPUT ${target}
    COMMAND gzip -9nc ${source} > ${target}
    DEPENDS ${source} VERBATIM)
endfunction()

norvik_gzip(${norvik_gen}/norvik.1 ${norvik_gen}/norvik.1.gz)
norvik_gzip(${PROJECT_SOURCE_DIR}/docs/changelog ${norvik_gen}/changelog.gz)
set(norvik_docs ${norvik_gen}/norvik.1.gz ${norvik_gen}/changelog.gz)

if(TARGET norvik-gatesim)
  find_program(HELP2MAN help2man REQUIRED)
  # The simulator's page is made from its own --help, so every switch it has is in it.
  add_custom_command(OUTPUT ${norvik_gen}/norvik-gatesim.1
    COMMAND ${HELP2MAN} --no-info --section=1 --include=${PROJECT_SOURCE_DIR}/docs/man/norvik-gatesim.h2m
            --output=${norvik_gen}/norvik-gatesim.1 $<TARGET_FILE:norvik-gatesim>
    DEPENDS norvik-gatesim ${PROJECT_SOURCE_DIR}/docs/man/norvik-gatesim.h2m VERBATIM)
  norvik_gzip(${norvik_gen}/norvik-gatesim.1 ${norvik_gen}/norvik-gatesim.1.gz)
  list(APPEND norvik_docs ${norvik_gen}/norvik-gatesim.1.gz)
  install(FILES ${norvik_gen}/norvik-gatesim.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
if(TARGET norvik-cli)
  find_program(HELP2MAN help2man REQUIRED)
  # Made from its --help as well; the page adds the JSON fields and the exit codes.
  add_custom_command(OUTPUT ${norvik_gen}/norvik-cli.1
    COMMAND ${HELP2MAN} --no-info --section=1 --include=${PROJECT_SOURCE_DIR}/docs/man/norvik-cli.h2m
            --output=${norvik_gen}/norvik-cli.1 $<TARGET_FILE:norvik-cli>
    DEPENDS norvik-cli ${PROJECT_SOURCE_DIR}/docs/man/norvik-cli.h2m VERBATIM)
  norvik_gzip(${norvik_gen}/norvik-cli.1 ${norvik_gen}/norvik-cli.1.gz)
  list(APPEND norvik_docs ${norvik_gen}/norvik-cli.1.gz)
  install(FILES ${norvik_gen}/norvik-cli.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${PROJECT_SOURCE_DIR}/tools/cli/norvik-cli.bash
          DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME norvik-cli)
endif()
add_custom_target(norvik_docs ALL DEPENDS ${norvik_docs})

install(FILES ${PROJECT_SOURCE_DIR}/widgets/app/${NORVIK_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${norvik_gen}/${NORVIK_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${PROJECT_SOURCE_DIR}/widgets/app/norvik.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/widgets/app/norvik-256.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps
        RENAME norvik.png)
install(FILES ${norvik_gen}/norvik.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/docs/copyright ${norvik_gen}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/norvik)
# The nightly backup into a git history, as examples: installed, not enabled.
install(FILES ${PROJECT_SOURCE_DIR}/docs/examples/norvik-backup.service
              ${PROJECT_SOURCE_DIR}/docs/examples/norvik-backup.timer
              ${PROJECT_SOURCE_DIR}/docs/examples/gateways
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/norvik/examples)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME norvik)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Norvik developers <norvik@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "inspect and configure PROFIBUS to Modbus gateways")
# The synopsis is the summary above; this is the extended description after it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Norvik holds a dialogue with the configuration console of an HX-3410 or
HX-3420 gateway over a serial port: it shows the gateway's parameter block
as a module tree and a parameter list, draws the address spaces of its
modules, and exchanges safe values and IP settings with the gateway.
.
norvik-cli does the same from a terminal or a script, on one gateway or
on many at once. The package also holds norvik-gatesim, a simulated
gateway on a pseudo-terminal for trying Norvik without the hardware.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own translations: file dialogs and standard buttons in the user's language.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)
