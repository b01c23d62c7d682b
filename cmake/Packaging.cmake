# The Debian package: `cpack --config <build>/CPackConfig.cmake`, as tools/package runs it.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME harklet)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Harklet developers <dev@harklet.dev>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "tray utility that shows and stops local TCP servers")
set(CPACK_PACKAGE_DESCRIPTION
    "Harklet sits in the system tray and shows which processes listen on local TCP
ports: the development servers you started, with their ports, commands and
process ids, and the listeners of system services and other users in a section
of their own. It opens a server in the browser, copies its localhost address,
or stops it, without a terminal.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The Qt libraries it links come from dpkg-shlibdeps; lsof is run, not linked.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "lsof")
# The Wayland platform plugin, and GTK's look and dialogs on GNOME.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, qt6-gtk-platformtheme")
set(CPACK_STRIP_FILES ON)
# CPack stages the install with DESTDIR under this prefix, which puts the autostart entry
# (see data/) in /etc.
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
