# The Debian package of the program (cpack, or the `package` target):
#   kestrun-widgets_<version>_amd64.deb
# Its library dependencies come from dpkg-shlibdeps over the program and the desktop module; the
# fonts it draws with are named here because no library links them. The kit's development files
# (headers, static libraries, CMake package) are a component of their own and stay out of it.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kestrun-widgets)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Kestrun Widgets authors")
set(CPACK_PACKAGE_CONTACT "The Kestrun Widgets authors <authors@kestrun.app>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop widgets showing the health of this machine")
set(CPACK_DEBIAN_WIDGETS_DESCRIPTION
  "Kestrun watches the health of the machine it runs on and writes its latest
results as one JSON document. Kestrun Widgets reads that document and shows it
in four desktop widgets: Wi-Fi, Memory, Wi-Fi & Memory and an overview of what
needs attention. It also draws them to PNG, SVG or PDF files for scripts.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL widgets)
set(CPACK_DEBIAN_WIDGETS_PACKAGE_NAME kestrun-widgets)
set(CPACK_DEBIAN_WIDGETS_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-inter, fonts-material-design-icons-iconfont")
# Emoji in the snapshot's texts draw in colour with it, as boxes without it.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-color-emoji")
include(CPack)
