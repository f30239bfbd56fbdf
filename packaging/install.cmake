# "make install" and the Debian package ("make package", CPack).
include(GNUInstallDirs)

install(TARGETS gate-station gatectl gate-sim gate-sync RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES schema/customer.sql schema/gate.sql DESTINATION ${CMAKE_INSTALL_DATADIR}/gate-station/schema)
file(GLOB fleet_schema_files ${PROJECT_SOURCE_DIR}/schema/fleet/*.sql)
install(FILES ${fleet_schema_files} DESTINATION ${CMAKE_INSTALL_DATADIR}/gate-station/schema/fleet)
install(FILES packaging/prometheus/gate-station-alerts.yml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/gate-station/prometheus)
install(FILES README.md LICENSE CHANGELOG.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/gate-station)
install(FILES docs/demo.png DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/gate-station/docs)

# The units name the programs by their installed path, known only when
# installing: "cmake --install --prefix DIR" and the package differ.
set(units_source ${PROJECT_SOURCE_DIR}/packaging/systemd)
install(CODE "
  set(BINDIR \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
  foreach(unit gate-station.service gate-backup.service gate-backup.timer gate-sync.service
               gate-fleet-sync.service
               user/gate-station.service)
    if(unit MATCHES \"^user/\")
      set(to \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/lib/systemd/\${unit}\")
    else()
      set(to \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/lib/systemd/system/\${unit}\")
    endif()
    message(STATUS \"Installing: \${to}\")
    configure_file(\"${units_source}/\${unit}\" \"\${to}\" @ONLY)
  endforeach()
")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME gate-station)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "the Gate Station developers <gate-station@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Unattended gate access station for self-storage sites")
set(CPACK_PACKAGE_DESCRIPTION
    "Reads serial keypads, decides each code at once, pulses the gate relay and logs every attempt; with gatectl for station folders, backups and checks, gate-sync for a fleet of stations sharing one PostgreSQL database, gate-sim, and systemd units.")
set(CPACK_PACKAGE_HOMEPAGE_URL ${GATE_HOMEPAGE})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded as plug-ins, so dpkg-shlibdeps cannot see them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, libqt6sql6-psql")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "mdbtools")
set(CPACK_STRIP_FILES ON)
# The units' paths come from CMAKE_INSTALL_PREFIX, which must be /usr, not the
# packaging folder nor the /usr/local of "make install".
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
include(CPack)
