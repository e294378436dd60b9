# The CMake package that programs outside the tree find with find_package(VelorinCore CONFIG).
include(CMakePackageConfigHelpers)

set(VELORIN_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/VelorinCore)

install(EXPORT VelorinCoreTargets
  NAMESPACE velorin::
  DESTINATION ${VELORIN_PACKAGE_DIR})

configure_package_config_file(cmake/VelorinCoreConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/VelorinCoreConfig.cmake
  INSTALL_DESTINATION ${VELORIN_PACKAGE_DIR})
write_basic_package_version_file(
  ${CMAKE_CURRENT_BINARY_DIR}/VelorinCoreConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)

install(FILES
  ${CMAKE_CURRENT_BINARY_DIR}/VelorinCoreConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/VelorinCoreConfigVersion.cmake
  ${CMAKE_CURRENT_SOURCE_DIR}/cmake/WindowsSystemLibraries.cmake
  DESTINATION ${VELORIN_PACKAGE_DIR})
