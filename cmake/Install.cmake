# Installation on Linux (cmake --install) and the Debian package (cpack -G DEB): the programs,
# the desktop entry, the icons in the hicolor theme, the man page and the simulator's profiles.
if(WIN32 OR CMAKE_CROSSCOMPILING)
    return()
endif()
include(GNUInstallDirs)

foreach(program vellumark vellumark-term vellumark-printer-sim)
    if(TARGET ${program})
        install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    endif()
endforeach()

if(TARGET vellumark)
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/vellumark.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    # The application's icon is the "printer answering" picture; both states are installed
    # under their own names for panels and notifications that want them.
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/icons/online.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/apps RENAME vellumark.png)
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/icons/online.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/status
        RENAME vellumark-online.png)
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/icons/offline.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/status
        RENAME vellumark-offline.png)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/packaging/vellumark.1
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
if(TARGET vellumark-printer-sim)
    install(DIRECTORY ${PROJECT_SOURCE_DIR}/tools/printer-sim/profiles/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/vellumark/profiles
        FILES_MATCHING PATTERN "*.snmprec")
endif()

set(CPACK_PACKAGE_NAME vellumark)
set(CPACK_PACKAGE_VENDOR "Quillfen")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Watches one network printer over SNMP from the notification area")
set(CPACK_PACKAGE_CONTACT "Quillfen <vellumark@quillfen.invalid>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Library dependencies (Qt 6, the C++ runtime) are read from the installed binaries.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
