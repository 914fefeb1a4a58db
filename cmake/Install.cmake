# Installation on Linux (cmake --install) and the Debian packages (cpack -G DEB). Each program
# is a component and each component a package of its own, so that the terminal program and the
# simulator install without Qt:
#
#   component  package                what
#   term       vellumark-term         the terminal front-end
#   simulator  vellumark-printer-sim  the simulated printer and its bundled profiles
#   desktop    vellumark              the Qt desktop front-end, its desktop entry and icons
#   exporter   vellumark-exporter     the Prometheus exporter, its systemd unit, configuration,
#                                     the Prometheus files and the Grafana dashboard that ship
#                                     with it
#
# A component is added with an install() of its files under COMPONENT <name> and one
# vm_package() call below; vm_package() gives it its package name, description, copyright and
# changelog.
if(WIN32 OR CMAKE_CROSSCOMPILING)
    return()
endif()
include(GNUInstallDirs)

# The simulator finds its bundled profiles beside its binary, at BINDIR/../share/vellumark/profiles.
set(VM_PROFILE_SUBDIR ${CMAKE_INSTALL_DATADIR}/vellumark/profiles)
set(VM_MAINTAINER "Quillfen <vellumark@quillfen.invalid>")
# The changelog's date: the configure time, or SOURCE_DATE_EPOCH for a reproducible build.
string(TIMESTAMP VM_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)

# Installs TEMPLATE (from packaging/) as DESTINATION/NAME.gz. The template is configured when it
# is installed, not when the build is configured, so that @VM_PROFILE_DIR@ names the profiles
# under the prefix installed to: /usr/local for cmake --install, /usr in the Debian packages.
# gzip -9n stores no name and no time stamp, as Debian policy asks.
function(vm_install_gzipped template destination name component)
    set(staged ${PROJECT_BINARY_DIR}/install-staging/${component}/${name})
    if(IS_ABSOLUTE ${VM_PROFILE_SUBDIR})
        set(profile_dir "${VM_PROFILE_SUBDIR}")
    else()
        set(profile_dir "\${CMAKE_INSTALL_PREFIX}/${VM_PROFILE_SUBDIR}")
    endif()
    install(CODE "
        set(PROJECT_VERSION [[${PROJECT_VERSION}]])
        set(VM_MAINTAINER [[${VM_MAINTAINER}]])
        set(VM_CHANGELOG_DATE [[${VM_CHANGELOG_DATE}]])
        set(VM_PROFILE_DIR \"${profile_dir}\")
        configure_file([[${PROJECT_SOURCE_DIR}/packaging/${template}]] [[${staged}]] @ONLY)
        execute_process(COMMAND gzip -9nf [[${staged}]] COMMAND_ERROR_IS_FATAL ANY)"
        COMPONENT ${component})
    install(FILES ${staged}.gz DESTINATION ${destination} COMPONENT ${component})
endfunction()

# A man page, packaging/PAGE.in, installed compressed in COMPONENT.
function(vm_install_man page component)
    vm_install_gzipped(${page}.in ${CMAKE_INSTALL_MANDIR}/man1 ${page} ${component})
endfunction()

# Makes COMPONENT the Debian package PACKAGE, with its section, a one-line summary and a longer
# description, and the copyright file and changelog every Debian package carries. Optional:
# SUGGESTS (packages). Library dependencies come from dpkg-shlibdeps.
function(vm_package component)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "PACKAGE;SECTION;SUMMARY;DESCRIPTION" "SUGGESTS")
    string(TOUPPER ${component} upper)
    set(CPACK_DEBIAN_${upper}_PACKAGE_NAME ${arg_PACKAGE} PARENT_SCOPE)
    set(CPACK_DEBIAN_${upper}_PACKAGE_SECTION ${arg_SECTION} PARENT_SCOPE)
    set(CPACK_DEBIAN_${upper}_DESCRIPTION "${arg_SUMMARY}\n${arg_DESCRIPTION}" PARENT_SCOPE)
    if(arg_SUGGESTS)
        list(JOIN arg_SUGGESTS ", " suggests)
        set(CPACK_DEBIAN_${upper}_PACKAGE_SUGGESTS "${suggests}" PARENT_SCOPE)
    endif()
    set(doc ${CMAKE_INSTALL_DATAROOTDIR}/doc/${arg_PACKAGE})
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright DESTINATION ${doc}
        COMPONENT ${component})
    vm_install_gzipped(changelog.in ${doc} changelog ${component})
    set(VM_PACKAGE_COMPONENTS ${VM_PACKAGE_COMPONENTS} ${component} PARENT_SCOPE)
endfunction()

set(VM_PACKAGE_COMPONENTS)

if(TARGET vellumark-term)
    install(TARGETS vellumark-term RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT term)
    vm_install_man(vellumark-term.1 term)
    vm_package(term PACKAGE vellumark-term SECTION utils
        SUMMARY "watch one network printer over SNMP in a terminal"
        DESCRIPTION "Vellumark reads a network printer's status text, console display, page
counts and toner level over SNMPv1 every two seconds and tells whether the
printer answers. This is its terminal front-end: the status window drawn as
text, and a one-shot mode that prints the printer's state as text or JSON
for scripts."
        SUGGESTS vellumark-printer-sim)
endif()

if(TARGET vellumark-printer-sim)
    install(TARGETS vellumark-printer-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        COMPONENT simulator)
    # Every bundled profile, whatever profiles/ holds when it is installed.
    install(DIRECTORY ${PROJECT_SOURCE_DIR}/tools/printer-sim/profiles/
        DESTINATION ${VM_PROFILE_SUBDIR} COMPONENT simulator
        FILES_MATCHING PATTERN "*.snmprec")
    vm_install_man(vellumark-printer-sim.1 simulator)
    vm_package(simulator PACKAGE vellumark-printer-sim SECTION net
        SUMMARY "simulated network printer for trying and testing Vellumark"
        DESCRIPTION "A small SNMPv1 and SNMPv2c agent that answers like a network printer, from
snmprec profiles (several printers are bundled), with moving page counts and
toner levels and with faults on demand: silence, late answers, error statuses,
stray and forged datagrams, switched from the command line or a control
channel."
        SUGGESTS snmp netcat-openbsd)
endif()

if(TARGET vellumark)
    install(TARGETS vellumark RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT desktop)
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/vellumark.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT desktop)
    # The application's icon is the "printer answering" picture; both states are installed
    # under their own names for panels and notifications that want them.
    set(icons ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48)
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/icons/online.png
        DESTINATION ${icons}/apps RENAME vellumark.png COMPONENT desktop)
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/icons/online.png
        DESTINATION ${icons}/status RENAME vellumark-online.png COMPONENT desktop)
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/icons/offline.png
        DESTINATION ${icons}/status RENAME vellumark-offline.png COMPONENT desktop)
    vm_install_man(vellumark.1 desktop)
    vm_package(desktop PACKAGE vellumark SECTION utils
        SUMMARY "watch one network printer over SNMP from the notification area"
        DESCRIPTION "Vellumark reads a network printer's status text, console display, page
counts and toner level over SNMPv1 every two seconds and shows them in a
small window that stays on top, with an icon in the notification area that
tells whether the printer answers. This is the Qt desktop program."
        SUGGESTS vellumark-printer-sim)
endif()

if(TARGET vellumark-exporter)
    install(TARGETS vellumark-exporter RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        COMPONENT exporter)
    vm_install_man(vellumark-exporter.1 exporter)
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/vellumark-exporter.service
        DESTINATION lib/systemd/system COMPONENT exporter)
    # The configuration lives in /etc whatever the prefix: the unit and the man page name it
    # there. It holds communities, so only root reads it (the service gets a copy from systemd,
    # LoadCredential); lintian is told that the mode is meant.
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/prometheus/exporter.yml
        DESTINATION /etc/vellumark COMPONENT exporter
        PERMISSIONS OWNER_READ OWNER_WRITE)
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/exporter/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides RENAME vellumark-exporter
        COMPONENT exporter)
    install(FILES
        ${PROJECT_SOURCE_DIR}/packaging/prometheus/scrape-jobs.yml
        ${PROJECT_SOURCE_DIR}/packaging/prometheus/alerts.yml
        ${PROJECT_SOURCE_DIR}/packaging/prometheus/printers.yml
        ${PROJECT_SOURCE_DIR}/packaging/prometheus/prometheus.yml
        ${PROJECT_SOURCE_DIR}/packaging/prometheus/alertmanager.yml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/vellumark/prometheus COMPONENT exporter)
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/grafana/vellumark.json
        DESTINATION ${CMAKE_INSTALL_DATADIR}/vellumark/grafana COMPONENT exporter)
    vm_package(exporter PACKAGE vellumark-exporter SECTION net
        SUMMARY "printers' condition over SNMP for Prometheus"
        DESCRIPTION "vellumark-exporter reads the whole condition of network printers (every
supply with its colour, trays, error states and alerts) from the standard
Printer and Host Resources MIBs over SNMPv1 or v2c and serves it to
Prometheus: a multi-target /probe endpoint, its own /metrics and a status
page. Ships a sandboxed systemd unit, a scrape job, alert rules and a Grafana
dashboard."
        SUGGESTS prometheus prometheus-alertmanager)
    # /etc/vellumark/exporter.yml is the administrator's: kept across upgrades.
    set(CPACK_DEBIAN_EXPORTER_PACKAGE_CONTROL_EXTRA
        ${PROJECT_SOURCE_DIR}/packaging/exporter/conffiles
        ${PROJECT_SOURCE_DIR}/packaging/exporter/postinst
        ${PROJECT_SOURCE_DIR}/packaging/exporter/prerm
        ${PROJECT_SOURCE_DIR}/packaging/exporter/postrm)
    set(CPACK_DEBIAN_EXPORTER_PACKAGE_CONTROL_STRICT_PERMISSION ON)
endif()

set(CPACK_PACKAGE_NAME vellumark)
set(CPACK_PACKAGE_VENDOR "Quillfen")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# No CPACK_PACKAGE_DESCRIPTION_SUMMARY: CPack would put it above every package's own summary.
set(CPACK_PACKAGE_CONTACT "${VM_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${VM_PACKAGE_COMPONENTS})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
# Library dependencies (Qt 6 for the desktop package, the C++ runtime for all) are read from
# the installed binaries by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
