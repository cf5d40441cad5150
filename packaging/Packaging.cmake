# What cmake --install puts in place besides the programs, the data file template, the help and
# the desktop files (src/, resources/): the bash completion of wayfarelctl, the privileged helper
# with its group and capability, and the Debian package built from the same rules (cpack -G DEB).
include(GNUInstallDirs)

install(FILES ${CMAKE_SOURCE_DIR}/resources/completion/wayfarelctl
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

# Beside the programs, as in the build tree; only root and the group netdev may start it.
if(TARGET wayfarel-nethelper)
  install(TARGETS wayfarel-nethelper RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
          PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE)
  install(CODE "set(WAYFAREL_HELPER \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/wayfarel-nethelper\")")
  install(SCRIPT ${CMAKE_CURRENT_LIST_DIR}/HelperCapability.cmake)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME wayfarel)
set(CPACK_PACKAGE_VENDOR Brackwell)
set(CPACK_PACKAGE_CONTACT "Wayfarel maintainers <wayfarel@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Switches the computer between network locations")
set(CPACK_PACKAGE_DESCRIPTION
    "A location holds one connection's IPv4 settings, the default printer, client proxies, folder shares and network drives; Wayfarel switches between them from its window, its tray icon or the command line (wayfarelctl).")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
# The libraries the programs link come from dpkg-shlibdeps; the SQLite driver is a plugin Qt
# loads, setcap is what the post-install step runs.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, libcap2-bin, adduser")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "network-manager, samba, gvfs-backends, gvfs-fuse")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_LIST_DIR}/debian/postinst
    ${CMAKE_CURRENT_LIST_DIR}/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
include(CPack)
