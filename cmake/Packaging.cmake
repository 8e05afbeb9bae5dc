# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
# Installing stubmeta.
#
# `cmake --install` (or `make install PREFIX=...`) lays the files out in the
# GNUInstallDirs layout, in three components:
#   runtime      libstubmeta.so.1 and its versioned file
#   development  the headers, the libstubmeta.so link or the static
#                libstubmeta.a, the CMake package (find_package(stubmeta) ->
#                stubmeta::stubmeta), stubmeta.pc and the stubmeta(3) man page
#   tool         the stubmeta command, its man page and bash completion, and
#                stubmeta-mpi with its man page where MPI was found
# The Debian packages (debian/, `make package`) are built from this layout.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(STUBMETA_CMAKE_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/stubmeta)

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
    ${PROJECT_SOURCE_DIR}/include/stubmeta_layouts.hpp
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
  COMPONENT development)
# The man pages name the version the project read from stubmeta.h: their
# sources say @PROJECT_VERSION@, and the installed copies are filled in here.
configure_file(${PROJECT_SOURCE_DIR}/docs/stubmeta.3 ${PROJECT_BINARY_DIR}/docs/stubmeta.3 @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/docs/stubmeta.3
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man3
  COMPONENT development)

# --- the CMake package --------------------------------------------------------
# A shared and a static build can be installed into the same prefix: each
# writes its own targets file, and stubmetaConfig.cmake picks one.
string(TOLOWER "${STUBMETA_LIBRARY_KIND}" stubmeta_kind)
install(EXPORT stubmetaTargets
  FILE stubmeta-${stubmeta_kind}-targets.cmake
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
# A static library needs the C++ runtime of the compiler that built it.
set(STUBMETA_PC_LIBS_PRIVATE "-lstdc++")
# Everything but the prefix is filled in now; the prefix at install time.
set(STUBMETA_PC_PREFIX "@STUBMETA_PC_PREFIX@")
configure_file(${CMAKE_CURRENT_LIST_DIR}/stubmeta.pc.in ${PROJECT_BINARY_DIR}/stubmeta.pc.in @ONLY)
# Each destination gets its own scratch copy, so that installs running at
# the same time (a test install beside a package build) cannot swap prefixes.
install(CODE "
  set(STUBMETA_PC_PREFIX \"\${CMAKE_INSTALL_PREFIX}\")
  string(MD5 stubmeta_pc_key \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
  set(stubmeta_pc \"${PROJECT_BINARY_DIR}/pkgconfig-install/\${stubmeta_pc_key}/stubmeta.pc\")
  configure_file(\"${PROJECT_BINARY_DIR}/stubmeta.pc.in\" \"\${stubmeta_pc}\" @ONLY)
  file(INSTALL \"\${stubmeta_pc}\"
       DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/pkgconfig\")
" COMPONENT development)

# --- the command-line tools --------------------------------------------------
# stubmeta and, where MPI was found, stubmeta-mpi: each with its man page.
if(STUBMETA_LIBRARY_KIND STREQUAL "SHARED")
  # Installed outside the system's library path, the tools still find the
  # library installed beside them.
  file(RELATIVE_PATH STUBMETA_BIN_TO_LIB
    "/prefix/${CMAKE_INSTALL_BINDIR}" "/prefix/${CMAKE_INSTALL_LIBDIR}")
endif()
foreach(tool IN ITEMS stubmeta-cli stubmeta-mpi)
  if(NOT TARGET ${tool})
    continue()
  endif()
  get_target_property(stubmeta_tool_name ${tool} OUTPUT_NAME)
  if(NOT stubmeta_tool_name)
    set(stubmeta_tool_name ${tool})
  endif()
  if(DEFINED STUBMETA_BIN_TO_LIB)
    set_target_properties(${tool} PROPERTIES INSTALL_RPATH "\$ORIGIN/${STUBMETA_BIN_TO_LIB}")
  endif()
  install(TARGETS ${tool} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tool)
  set(stubmeta_man_page docs/${stubmeta_tool_name}.1)
  if(EXISTS ${PROJECT_SOURCE_DIR}/${stubmeta_man_page})
    configure_file(${PROJECT_SOURCE_DIR}/${stubmeta_man_page}
      ${PROJECT_BINARY_DIR}/${stubmeta_man_page} @ONLY)
    install(FILES ${PROJECT_BINARY_DIR}/${stubmeta_man_page}
      DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
      COMPONENT tool)
  endif()
endforeach()
if(TARGET stubmeta-cli)
  install(FILES ${PROJECT_BINARY_DIR}/tools/stubmeta.bash
    DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
    RENAME stubmeta
    COMPONENT tool)
endif()
