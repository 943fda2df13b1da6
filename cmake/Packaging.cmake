# What "cmake --install" lays out, and the Debian package CPack builds from it.
include(GNUInstallDirs)

set(VEXLO_APP_ID com.vexlo.VexloUtility)
install(TARGETS vexlo-utility vexlo-flash RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The program finds espflash in ../share/vexlo-utility beside itself; the README there says so.
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

set(CPACK_PACKAGE_NAME vexlo-utility)
set(CPACK_PACKAGE_VENDOR "Vexlo")
set(CPACK_PACKAGE_CONTACT "Vexlo <support@vexlo.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Brings the control board of a Coilex machine to the newest firmware")
set(CPACK_PACKAGE_INSTALL_DIRECTORY /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window needs a platform plugin, which the Qt libraries only recommend.
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
# Qt's own German texts (standard buttons).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)
include(CPack)
