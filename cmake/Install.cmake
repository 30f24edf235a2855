# The kit's data contract as an installable library: a host application written in C++ can
#   find_package(KestrunWidgetKit REQUIRED)
#   target_link_libraries(app PRIVATE KestrunWidgetKit::KestrunWidgetSnapshot)
# or use pkg-config (kestrun-widget-kit), and call WidgetStore::write. The targets carry C++20 and
# the include root with them; only the headers the kit's interface reaches are installed, under
# include/kestrun/, rooted as in the sources. The shared Foundation stays in the private library
# directory the widgets load it from (a CMake consumer gets it on its build RPATH).
include(CMakePackageConfigHelpers)
set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME development)

set(kit_config_dir ${CMAKE_INSTALL_LIBDIR}/cmake/KestrunWidgetKit)
install(TARGETS KestrunFoundation KestrunWidgetSnapshot
  EXPORT KestrunWidgetKitTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  LIBRARY DESTINATION ${KESTRUN_PRIVATE_LIBDIR} NAMELINK_SKIP)
# What WidgetSnapshot.h, SnapshotJSON.h, WidgetStore.h and WidgetLink.h include, and nothing more
# (the package test compares the installed tree with this list).
set(KESTRUN_KIT_PUBLIC_HEADERS
  KestrunWidgetKit/WidgetSnapshot/SnapshotJSON.h
  KestrunWidgetKit/WidgetSnapshot/WidgetLink.h
  KestrunWidgetKit/WidgetSnapshot/WidgetSnapshot.h
  KestrunWidgetKit/WidgetSnapshot/WidgetStore.h
  Platform/Foundation/Date.h
  Platform/Foundation/URL.h)
foreach(header ${KESTRUN_KIT_PUBLIC_HEADERS})
  get_filename_component(folder ${header} DIRECTORY)
  install(FILES ${PROJECT_SOURCE_DIR}/${header}
    DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/kestrun/${folder})
endforeach()
install(EXPORT KestrunWidgetKitTargets NAMESPACE KestrunWidgetKit:: DESTINATION ${kit_config_dir})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/KestrunWidgetKitConfig.cmake.in
  ${CMAKE_BINARY_DIR}/KestrunWidgetKitConfig.cmake INSTALL_DESTINATION ${kit_config_dir})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/KestrunWidgetKitConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_BINARY_DIR}/KestrunWidgetKitConfig.cmake
  ${CMAKE_BINARY_DIR}/KestrunWidgetKitConfigVersion.cmake DESTINATION ${kit_config_dir})

# pkg-config: the static data contract, the shared Foundation by its file name (no development
# link sits beside it in the private directory) and the run path to it.
get_target_property(kit_foundation_soversion KestrunFoundation SOVERSION)
set(KESTRUN_KIT_FOUNDATION_FILE libKestrunFoundation.so.${kit_foundation_soversion})
# Relative to the file's own folder, so that the installed tree can move (cmake --install --prefix).
file(RELATIVE_PATH KESTRUN_KIT_PC_TO_PREFIX /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
configure_file(${PROJECT_SOURCE_DIR}/cmake/kestrun-widget-kit.pc.in
  ${CMAKE_BINARY_DIR}/kestrun-widget-kit.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/kestrun-widget-kit.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
