# The Debian package zorvanil-server: both programs in /usr/bin, the systemd unit, /etc/zorvanil
# with the connection file and the server's configuration file (conffiles), and maintainer
# scripts that make the zorvanil user and group and the state directory. scripts/package builds
# it; `cpack -G DEB` in a build tree does the same from that tree's programs.
include(GNUInstallDirs)

set(ZORVANIL_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(ZORVANIL_CONFIG_DIR /etc/zorvanil)
# The state directory: the database, the registry file and the creation file.
set(ZORVANIL_STATE_DIR /var/lib/zorvanil)
set(ZORVANIL_DATABASE ${ZORVANIL_STATE_DIR}/zorvanil.db)

# The configuration file holds every option with its default, as the built server prints them.
set(ZORVANIL_CONFIG_FILE ${CMAKE_CURRENT_BINARY_DIR}/packaging/zorvanil-server.conf)
add_custom_command(
  OUTPUT ${ZORVANIL_CONFIG_FILE}
  COMMAND ${CMAKE_COMMAND} -DSERVER=$<TARGET_FILE:zorvanil-server> -DOUTPUT=${ZORVANIL_CONFIG_FILE}
          -P ${ZORVANIL_PACKAGING_DIR}/write_config.cmake
  DEPENDS zorvanil-server ${ZORVANIL_PACKAGING_DIR}/write_config.cmake
  COMMENT "Writing zorvanil-server.conf from the server's options"
  VERBATIM)
add_custom_target(zorvanil-server-conf ALL DEPENDS ${ZORVANIL_CONFIG_FILE})

# The connection file names the database in the state directory, in the lines the server
# itself writes (CR LF), so that its rewrite at every connection leaves the conffile unchanged.
set(ZORVANIL_CONNECTION_FILE ${CMAKE_CURRENT_BINARY_DIR}/packaging/Zconfiguracion.txt)
file(WRITE ${ZORVANIL_CONNECTION_FILE} "z\r\nz\r\n${ZORVANIL_DATABASE}\r\n")

install(TARGETS zorvanil-server zorvanil-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${ZORVANIL_PACKAGING_DIR}/zorvanil-server.service DESTINATION /lib/systemd/system)
# Both hold secrets (a password, the access key's place): readable by the owner alone until
# postinst gives them to the zorvanil group.
install(FILES ${ZORVANIL_CONFIG_FILE} ${ZORVANIL_CONNECTION_FILE}
        DESTINATION ${ZORVANIL_CONFIG_DIR}
        PERMISSIONS OWNER_READ OWNER_WRITE)
install(FILES ${PROJECT_SOURCE_DIR}/schema/zorvanil.sql
        DESTINATION ${CMAKE_INSTALL_DATADIR}/zorvanil)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/docs/running.md
              ${PROJECT_SOURCE_DIR}/docs/database.md
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/zorvanil-server)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zorvanil-server)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Zorvanil server maintainers <zorvanil@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Zorvanil application server for shop management")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "The middle tier of a retail shop-management suite: desktop clients connect over\n"
       "WebSocket JSON-RPC, and each gets a server object with its own database connection and\n"
       "thread. Runs as the systemd service zorvanil-server; zorvanil-cli is its command-line\n"
       "client.")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "adduser")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${ZORVANIL_PACKAGING_DIR}/conffiles ${ZORVANIL_PACKAGING_DIR}/postinst
    ${ZORVANIL_PACKAGING_DIR}/prerm ${ZORVANIL_PACKAGING_DIR}/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Programs are shipped stripped, as Debian ships them; their debug information stays in the
# build tree.
set(CPACK_STRIP_FILES ON)
include(CPack)
