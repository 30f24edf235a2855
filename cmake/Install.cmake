# The kit's data contract as an installable library: a host application written in C++ can
#   find_package(KestrunWidgetKit REQUIRED)
#   target_link_libraries(app PRIVATE KestrunWidgetKit::KestrunWidgetSnapshot)
# and call WidgetStore::write. Headers install under include/kestrun/, rooted as in the sources.
include(CMakePackageConfigHelpers)
set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME development)

set(kit_config_dir ${CMAKE_INSTALL_LIBDIR}/cmake/KestrunWidgetKit)
install(TARGETS kestrun_options KestrunFoundation KestrunWidgetSnapshot
  EXPORT KestrunWidgetKitTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  LIBRARY DESTINATION ${KESTRUN_PRIVATE_LIBDIR} NAMELINK_SKIP)
foreach(dir Platform/Foundation KestrunWidgetKit/WidgetSnapshot)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/${dir}/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/kestrun/${dir}
    FILES_MATCHING PATTERN "*.h")
endforeach()
install(EXPORT KestrunWidgetKitTargets NAMESPACE KestrunWidgetKit:: DESTINATION ${kit_config_dir})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/KestrunWidgetKitConfig.cmake.in
  ${CMAKE_BINARY_DIR}/KestrunWidgetKitConfig.cmake INSTALL_DESTINATION ${kit_config_dir})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/KestrunWidgetKitConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_BINARY_DIR}/KestrunWidgetKitConfig.cmake
  ${CMAKE_BINARY_DIR}/KestrunWidgetKitConfigVersion.cmake DESTINATION ${kit_config_dir})
