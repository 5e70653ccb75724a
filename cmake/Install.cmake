# Install rules: the JNI library where Debian's JVMs look for native
# libraries, the public headers, a CMake package and a pkg-config file. The
# library installed is the one linked with the system's C++ runtime
# (ORV_PACKAGED_RUNTIME, cmake/BuildSettings.cmake), which C++ programs and
# the system's JVMs share with it; the jar carries the self-contained one.
#
#   <prefix>/lib/<triplet>/jni/libquonvop4j.so          component runtime
#   <prefix>/include/quonvop4j/orv/...                  component dev
#   <prefix>/include/quonvop4j/jni/ApplicationName.h    component dev
#   <prefix>/lib/<triplet>/cmake/quonvop4j/*.cmake      component dev
#   <prefix>/lib/<triplet>/pkgconfig/quonvop4j.pc       component dev
#   <prefix>/share/java/quonvop4j.jar                   component java (x86_64)
#
# Everything that differs between the architectures lives below
# lib/<triplet> (ORV_TRIPLET, cmake/BuildSettings.cmake), so the packages of
# every architecture install side by side.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# ORV_HOMEPAGE and ORV_MAINTAINER.
include(${CMAKE_CURRENT_LIST_DIR}/Identity.cmake)

set(ORV_INSTALL_LIBDIR "lib/${ORV_TRIPLET}")
set(ORV_INSTALL_JNIDIR "${ORV_INSTALL_LIBDIR}/jni")
set(ORV_INSTALL_INCLUDEDIR "${CMAKE_INSTALL_INCLUDEDIR}/quonvop4j")
set(ORV_INSTALL_CMAKEDIR "${ORV_INSTALL_LIBDIR}/cmake/quonvop4j")
set(ORV_INSTALL_PKGCONFIGDIR "${ORV_INSTALL_LIBDIR}/pkgconfig")

# SONAME: the JVM loads the library by its file name, libquonvop4j.so, from a
# folder of plug-ins that the dynamic loader does not manage (no ldconfig, no
# version links). The SONAME is therefore the file name itself: a C++ program
# linked against it records libquonvop4j.so and finds exactly that file
# through its run path. Compatibility between releases is carried by the
# package version (the -dev package pins the library's exact version).
orv_runtime_names(${ORV_PACKAGED_RUNTIME})
set(ORV_PACKAGED_LIBRARY ${ORV_RUNTIME_TARGET})
set_target_properties(${ORV_PACKAGED_LIBRARY} PROPERTIES NO_SONAME OFF)

# What a program built on the installed library gets with it, besides the
# ABI definitions and C++17 that the target carries anyway: the installed
# headers, and a run path to the jni folder, which is outside the loader's
# search path, so the program starts without LD_LIBRARY_PATH. Relative to the
# installed package, so the package is relocatable.
target_include_directories(${ORV_PACKAGED_LIBRARY} INTERFACE
  $<INSTALL_INTERFACE:${ORV_INSTALL_INCLUDEDIR}>)
target_link_options(${ORV_PACKAGED_LIBRARY} INTERFACE
  "$<INSTALL_INTERFACE:LINKER:-rpath,$<INSTALL_PREFIX>/${ORV_INSTALL_JNIDIR}>")

# Installed without the execute bits: a shared library is mapped, not run.
# Whatever its target in the build, the CMake package names it
# quonvop4j::quonvop4j.
set_target_properties(${ORV_PACKAGED_LIBRARY} PROPERTIES EXPORT_NAME quonvop4j)
install(TARGETS ${ORV_PACKAGED_LIBRARY} EXPORT quonvop4jTargets
  LIBRARY DESTINATION "${ORV_INSTALL_JNIDIR}"
          PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
          COMPONENT runtime
          NAMELINK_SKIP)

# Public headers: the orv tree without its internal/ folders (what only the
# library and its tests see), and the application name from jni/ (the rest
# of jni/ is the library's own). Paths are kept, so "orv/orv.h" and
# "jni/ApplicationName.h" resolve against include/quonvop4j.
install(DIRECTORY "${PROJECT_SOURCE_DIR}/orv/"
  DESTINATION "${ORV_INSTALL_INCLUDEDIR}/orv"
  COMPONENT dev
  FILES_MATCHING PATTERN "*.h"
  PATTERN "internal" EXCLUDE)
install(FILES "${PROJECT_SOURCE_DIR}/jni/ApplicationName.h"
  DESTINATION "${ORV_INSTALL_INCLUDEDIR}/jni"
  COMPONENT dev)

# CMake package: find_package(quonvop4j CONFIG) -> quonvop4j::quonvop4j, the
# exported target above.
install(EXPORT quonvop4jTargets
  NAMESPACE quonvop4j::
  DESTINATION "${ORV_INSTALL_CMAKEDIR}"
  COMPONENT dev)
configure_package_config_file(
  "${CMAKE_CURRENT_LIST_DIR}/package/quonvop4jConfig.cmake.in"
  "${PROJECT_BINARY_DIR}/package/quonvop4jConfig.cmake"
  INSTALL_DESTINATION "${ORV_INSTALL_CMAKEDIR}")
# Same major version is compatible; the size of a pointer must match too, so
# a 32-bit consumer never picks the 64-bit package or the reverse.
write_basic_package_version_file(
  "${PROJECT_BINARY_DIR}/package/quonvop4jConfigVersion.cmake"
  VERSION "${PROJECT_VERSION}"
  COMPATIBILITY SameMajorVersion)
install(FILES
  "${PROJECT_BINARY_DIR}/package/quonvop4jConfig.cmake"
  "${PROJECT_BINARY_DIR}/package/quonvop4jConfigVersion.cmake"
  DESTINATION "${ORV_INSTALL_CMAKEDIR}"
  COMPONENT dev)

# pkg-config: the library lives in jni/, outside the loader's search path,
# so Libs carries a run path to it as well as the link path. The prefix is
# the one of the actual installation (CPack installs into /usr whatever
# CMAKE_INSTALL_PREFIX was at configure time), so the file is written when
# it is installed.
set(ORV_PC_CFLAGS "")
foreach(definition IN LISTS ORV_ABI_DEFINITIONS)
  string(APPEND ORV_PC_CFLAGS " -D${definition}")
endforeach()
set(ORV_PC_PREFIX "@ORV_PC_PREFIX@")  # kept for the install step
configure_file("${CMAKE_CURRENT_LIST_DIR}/package/quonvop4j.pc.in"
  "${PROJECT_BINARY_DIR}/package/quonvop4j.pc.in" @ONLY)
install(CODE "
  set(ORV_PC_PREFIX \"\${CMAKE_INSTALL_PREFIX}\")
  configure_file(\"${PROJECT_BINARY_DIR}/package/quonvop4j.pc.in\"
    \"${PROJECT_BINARY_DIR}/package/installed/quonvop4j.pc\" @ONLY)"
  COMPONENT dev)
install(FILES "${PROJECT_BINARY_DIR}/package/installed/quonvop4j.pc"
  DESTINATION "${ORV_INSTALL_PKGCONFIGDIR}"
  COMPONENT dev)

# The jar: com.quon.vop.Runtime and the demo, where ORV_INSTALL_JAR says so
# (cmake/BuildSettings.cmake: the x86_64 build's). The java folder is
# added here when the tests (which add it otherwise) are switched off.
# Installed the way Debian's Java libraries are: the versioned jar and the
# unversioned name that programs use, a link to it.
if(ORV_INSTALL_JAR)
  if(NOT TARGET quonvop4j_java)
    add_subdirectory(java)
  endif()
  set(ORV_JAR_VERSIONED "quonvop4j-${PROJECT_VERSION}.jar")
  install(FILES "$<TARGET_PROPERTY:quonvop4j_java,JAR_FILE>"
    DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/java"
    RENAME "${ORV_JAR_VERSIONED}"
    COMPONENT java)
  file(CREATE_LINK "${ORV_JAR_VERSIONED}"
    "${PROJECT_BINARY_DIR}/package/quonvop4j.jar" SYMBOLIC)
  install(FILES "${PROJECT_BINARY_DIR}/package/quonvop4j.jar"
    DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/java"
    COMPONENT java)
endif()
