# Installing stubmeta and packaging it for Debian.
#
# `cmake --install` (or `make install PREFIX=...`) lays the files out in the
# GNUInstallDirs layout, in three components:
#   runtime      libstubmeta.so.1 and its versioned file
#   development  the headers, the libstubmeta.so link, the CMake package
#                (find_package(stubmeta) -> stubmeta::stubmeta) and stubmeta.pc
#   tool         the stubmeta command and its man page, when they are built
# `cpack -G DEB` (`make package`) turns each component into one .deb.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(STUBMETA_CMAKE_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/stubmeta)

# In-tree code can use the same name as an installed consumer.
add_library(stubmeta::stubmeta ALIAS stubmeta)
target_include_directories(stubmeta INTERFACE $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)

# --- the library and its headers ---------------------------------------------
install(TARGETS stubmeta EXPORT stubmetaTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    COMPONENT runtime
    NAMELINK_COMPONENT development
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
    COMPONENT runtime
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
    COMPONENT development)
install(FILES
    ${PROJECT_SOURCE_DIR}/include/stubmeta.h
    ${PROJECT_SOURCE_DIR}/include/stubmeta.hpp
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
  COMPONENT development)

# --- the CMake package --------------------------------------------------------
install(EXPORT stubmetaTargets
  NAMESPACE stubmeta::
  DESTINATION ${STUBMETA_CMAKE_INSTALL_DIR}
  COMPONENT development)
configure_package_config_file(
  ${CMAKE_CURRENT_LIST_DIR}/stubmetaConfig.cmake.in
  ${PROJECT_BINARY_DIR}/stubmetaConfig.cmake
  INSTALL_DESTINATION ${STUBMETA_CMAKE_INSTALL_DIR})
# 0.x releases promise what 1.x and later do: the same major version keeps
# the interface.
write_basic_package_version_file(
  ${PROJECT_BINARY_DIR}/stubmetaConfigVersion.cmake
  VERSION ${PROJECT_VERSION}
  COMPATIBILITY SameMajorVersion)
install(FILES
    ${PROJECT_BINARY_DIR}/stubmetaConfig.cmake
    ${PROJECT_BINARY_DIR}/stubmetaConfigVersion.cmake
  DESTINATION ${STUBMETA_CMAKE_INSTALL_DIR}
  COMPONENT development)

# --- pkg-config ---------------------------------------------------------------
# Written when installing, for the prefix actually installed into: the same
# build serves `cmake --install --prefix DIR` and the Debian packages (/usr).
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
  set(STUBMETA_PC_LIBDIR "${CMAKE_INSTALL_LIBDIR}")
else()
  set(STUBMETA_PC_LIBDIR "\${prefix}/${CMAKE_INSTALL_LIBDIR}")
endif()
if(IS_ABSOLUTE "${CMAKE_INSTALL_INCLUDEDIR}")
  set(STUBMETA_PC_INCLUDEDIR "${CMAKE_INSTALL_INCLUDEDIR}")
else()
  set(STUBMETA_PC_INCLUDEDIR "\${prefix}/${CMAKE_INSTALL_INCLUDEDIR}")
endif()
# Everything but the prefix is filled in now; the prefix at install time.
set(STUBMETA_PC_PREFIX "@STUBMETA_PC_PREFIX@")
configure_file(${CMAKE_CURRENT_LIST_DIR}/stubmeta.pc.in ${PROJECT_BINARY_DIR}/stubmeta.pc.in @ONLY)
# Each destination gets its own scratch copy, so that installs running at
# the same time (a test install while cpack runs) cannot swap prefixes.
install(CODE "
  set(STUBMETA_PC_PREFIX \"\${CMAKE_INSTALL_PREFIX}\")
  string(MD5 stubmeta_pc_key \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
  set(stubmeta_pc \"${PROJECT_BINARY_DIR}/pkgconfig-install/\${stubmeta_pc_key}/stubmeta.pc\")
  configure_file(\"${PROJECT_BINARY_DIR}/stubmeta.pc.in\" \"\${stubmeta_pc}\" @ONLY)
  file(INSTALL \"\${stubmeta_pc}\"
       DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/pkgconfig\")
" COMPONENT development)

# --- the command-line tool ----------------------------------------------------
set(STUBMETA_PACKAGE_COMPONENTS runtime development)
set(STUBMETA_TOOL_USES_SHARED_LIBRARY OFF)
if(TARGET stubmeta-cli)
  get_target_property(STUBMETA_TOOL_LINKS stubmeta-cli LINK_LIBRARIES)
  if(STUBMETA_TOOL_LINKS AND ("stubmeta" IN_LIST STUBMETA_TOOL_LINKS OR
                              "stubmeta::stubmeta" IN_LIST STUBMETA_TOOL_LINKS))
    set(STUBMETA_TOOL_USES_SHARED_LIBRARY ON)
    # Installed outside the system's library path, the tool still finds the
    # library installed beside it.
    file(RELATIVE_PATH STUBMETA_BIN_TO_LIB
      "/prefix/${CMAKE_INSTALL_BINDIR}" "/prefix/${CMAKE_INSTALL_LIBDIR}")
    set_target_properties(stubmeta-cli PROPERTIES INSTALL_RPATH "\$ORIGIN/${STUBMETA_BIN_TO_LIB}")
  endif()
  install(TARGETS stubmeta-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tool)
  if(EXISTS ${PROJECT_SOURCE_DIR}/docs/stubmeta.1)
    install(FILES ${PROJECT_SOURCE_DIR}/docs/stubmeta.1
      DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
      COMPONENT tool)
  endif()
  install(FILES ${PROJECT_BINARY_DIR}/tools/stubmeta.bash
    DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
    RENAME stubmeta
    COMPONENT tool)
  list(APPEND STUBMETA_PACKAGE_COMPONENTS tool)
endif()

# --- Debian packages ----------------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME stubmeta)
set(CPACK_PACKAGE_VENDOR "stubmeta")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_CONTACT "stubmeta maintainers <maintainers@stubmeta.invalid>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_COMPONENTS_ALL ${STUBMETA_PACKAGE_COMPONENTS})
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)

set(CPACK_COMPONENT_RUNTIME_DESCRIPTION
  "stubmeta shared library: reads and writes the metadata of archived-file stubs")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME libstubmeta1)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SHLIBDEPS ON)
# A shlibs file and the ldconfig trigger, as for any Debian library package.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY "=")

set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION
  "stubmeta development files: C and C++ headers, CMake package and pkg-config file")
set(CPACK_COMPONENT_DEVELOPMENT_DEPENDS runtime)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libstubmeta-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)

set(CPACK_COMPONENT_TOOL_DESCRIPTION
  "stubmeta command: inspects, converts and writes archived-file stubs")
set(CPACK_DEBIAN_TOOL_PACKAGE_NAME stubmeta)
set(CPACK_DEBIAN_TOOL_PACKAGE_SECTION utils)
if(STUBMETA_TOOL_USES_SHARED_LIBRARY)
  # The dependency on libstubmeta1 comes from the component dependency; the
  # shlibs lookup would not find the library, which is not installed yet.
  set(CPACK_COMPONENT_TOOL_DEPENDS runtime)
  set(CPACK_DEBIAN_TOOL_PACKAGE_SHLIBDEPS OFF)
  set(CPACK_DEBIAN_TOOL_PACKAGE_DEPENDS "libc6, libstdc++6, libgcc-s1")
else()
  set(CPACK_DEBIAN_TOOL_PACKAGE_SHLIBDEPS ON)
endif()

include(CPack)
