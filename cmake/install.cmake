# What `cmake --install` puts under the prefix (GNU directory names):
#   lib/libuvo_shaders.so.0   the shader library (and its .so link)
#   lib/libuvo_kit.so.0       the integrator kit
#   lib/libuvo_host.so        the reference host's library (uvo-render's)
#   bin/uvo-render
#   include/uvo/*.h           the contract, the tone-mapping API, the kit
#   share/uvo/shaders/*.json  the shader declarations
#   lib/cmake/uvo/            find_package(uvo): uvo::shaders, uvo::kit
#   lib/pkgconfig/uvo.pc, uvo-kit.pc
#   share/doc/uvo/            LICENSE, CHANGELOG.md
# Everything finds everything else by relative paths ($ORIGIN run paths,
# pkg-config's pcfiledir, the CMake package's own directory), so the tree
# may be moved after installing.
include(CMakePackageConfigHelpers)

set(UVO_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/uvo)
set(UVO_PKGCONFIG_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

target_include_directories(uvo_shaders INTERFACE
  $<BUILD_INTERFACE:${CMAKE_SOURCE_DIR}/include> $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
set_target_properties(uvo_shaders PROPERTIES EXPORT_NAME shaders)
add_library(uvo::shaders ALIAS uvo_shaders)

install(TARGETS uvo_shaders uvo_kit EXPORT uvoTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(DIRECTORY include/uvo DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} FILES_MATCHING PATTERN "*.h")
install(DIRECTORY share/uvo/shaders/ DESTINATION ${CMAKE_INSTALL_DATADIR}/uvo/shaders
  FILES_MATCHING PATTERN "*.json")
install(FILES LICENSE CHANGELOG.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/uvo)

if(TARGET uvo-render)
  file(RELATIVE_PATH UVO_BIN_TO_LIB ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
  set_target_properties(uvo-render PROPERTIES INSTALL_RPATH "$ORIGIN/${UVO_BIN_TO_LIB}")
  set_target_properties(uvo_host PROPERTIES INSTALL_RPATH "$ORIGIN")
  install(TARGETS uvo-render uvo_host
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
endif()

# The CMake package.
install(EXPORT uvoTargets NAMESPACE uvo:: DESTINATION ${UVO_CMAKE_DIR})
set(UVO_DECLARATIONS_INSTALL_DIR ${CMAKE_INSTALL_DATADIR}/uvo/shaders)
configure_package_config_file(cmake/uvoConfig.cmake.in ${CMAKE_BINARY_DIR}/uvoConfig.cmake
  INSTALL_DESTINATION ${UVO_CMAKE_DIR} PATH_VARS UVO_DECLARATIONS_INSTALL_DIR)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/uvoConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_BINARY_DIR}/uvoConfig.cmake ${CMAKE_BINARY_DIR}/uvoConfigVersion.cmake
  DESTINATION ${UVO_CMAKE_DIR})

# pkg-config files whose prefix is found from their own place.
file(RELATIVE_PATH UVO_PC_TO_PREFIX ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" UVO_PC_TO_PREFIX "${UVO_PC_TO_PREFIX}")
foreach(pc uvo uvo-kit)
  configure_file(cmake/${pc}.pc.in ${CMAKE_BINARY_DIR}/${pc}.pc @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/${pc}.pc DESTINATION ${UVO_PKGCONFIG_DIR})
endforeach()
