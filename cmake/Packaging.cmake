# What "cmake --install" lays out, and the Debian package CPack builds from it.
include(GNUInstallDirs)

set(VEXLO_APP_ID com.vexlo.VexloUtility)
set(vexlo_programs vexlo-utility vexlo-flash)
install(TARGETS ${vexlo_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The programs look for espflash in lib/vexlo-utility beside bin/ (an executable has no place under
# share/), then on PATH; the README in share/vexlo-utility says so. The package ships no tool.
install(FILES ${PROJECT_SOURCE_DIR}/data/README-espflash.txt
    DESTINATION ${CMAKE_INSTALL_DATADIR}/vexlo-utility RENAME README)
install(FILES ${PROJECT_SOURCE_DIR}/data/${VEXLO_APP_ID}.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/data/${VEXLO_APP_ID}.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${PROJECT_SOURCE_DIR}/data/${VEXLO_APP_ID}.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 32 48 64 128 256)
    install(FILES ${PROJECT_SOURCE_DIR}/data/icons/${size}x${size}/${VEXLO_APP_ID}.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# Debian wants manual pages and its changelog compressed, without a time stamp inside, so that
# every build gives the same bytes.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(vexlo_debian_version ${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE})
file(STRINGS ${PROJECT_SOURCE_DIR}/data/debian/changelog vexlo_changelog_top LIMIT_COUNT 1)
if(NOT vexlo_changelog_top MATCHES "^vexlo-utility \\(${vexlo_debian_version}\\) ")
    message(FATAL_ERROR "data/debian/changelog must start with an entry for "
        "${vexlo_debian_version}; it starts with: ${vexlo_changelog_top}")
endif()
find_program(VEXLO_GZIP gzip REQUIRED)
function(vexlo_install_gzipped source destination)
    get_filename_component(name ${source} NAME)
    set(compressed ${CMAKE_BINARY_DIR}/gzipped/${name}.gz)
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/gzipped)
    execute_process(COMMAND ${VEXLO_GZIP} -9nc ${source} OUTPUT_FILE ${compressed}
        COMMAND_ERROR_IS_FATAL ANY)
    set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
    install(FILES ${compressed} DESTINATION ${destination} ${ARGN})
endfunction()
foreach(program IN LISTS vexlo_programs)
    vexlo_install_gzipped(${PROJECT_SOURCE_DIR}/data/man/${program}.1
        ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
set(vexlo_doc_dir ${CMAKE_INSTALL_DATADIR}/doc/vexlo-utility)
vexlo_install_gzipped(${PROJECT_SOURCE_DIR}/data/debian/changelog ${vexlo_doc_dir}
    RENAME changelog.Debian.gz)
install(FILES ${PROJECT_SOURCE_DIR}/data/debian/copyright DESTINATION ${vexlo_doc_dir})
install(FILES ${PROJECT_SOURCE_DIR}/data/debian/lintian-overrides
    DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME vexlo-utility)

set(CPACK_PACKAGE_NAME vexlo-utility)
set(CPACK_PACKAGE_VENDOR "Vexlo")
set(CPACK_PACKAGE_CONTACT "Vexlo <support@vexlo.example>")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "brings the control board of a Coilex machine to the newest firmware")
set(CPACK_PACKAGE_DESCRIPTION [=[
Vexlo Utility lists the USB serial ports by itself, detects the kind of
board on the selected port with espflash, downloads the newest firmware
image for it from the vendor's firmware server, writes it with espflash and
then tells the board its machine variant over the serial port.

espflash is not part of this package: put it into /usr/lib/vexlo-utility/
or anywhere on PATH (cargo install espflash). The software is MIT licensed.]=])
set(CPACK_PACKAGE_INSTALL_DIRECTORY /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window needs a platform plugin, which the Qt libraries only recommend.
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
# Qt's own German texts (standard buttons).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)
include(CPack)
