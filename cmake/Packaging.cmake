# Debian packages through CPack, one set per architecture (cpack -G DEB in a
# build folder of the x86_64, the i386 or the aarch64 preset):
#
#   libquonvop4j       the JNI library in /usr/lib/<triplet>/jni    amd64 / i386 / arm64
#   libquonvop4j-dev   headers, CMake package, pkg-config file     amd64 / i386 / arm64
#   libquonvop4j-java  /usr/share/java/quonvop4j.jar               all (x86_64 build)
#
# The library and -dev packages are "Multi-Arch: same": the architectures
# install side by side; every file they share (headers, documentation) is
# byte-identical on all of them. Uses ORV_DEB_ARCH (cmake/BuildSettings.cmake)
# and ORV_HOMEPAGE, ORV_MAINTAINER and ORV_INSTALL_JAR (cmake/Install.cmake).

set(ORV_DEB_LIB "libquonvop4j")
set(ORV_DEB_DEV "libquonvop4j-dev")
set(ORV_DEB_JAVA "libquonvop4j-java")

# Documentation every package carries: the copyright file and the changelog,
# compressed the way Debian wants it (gzip -9, no name or time stamp, so the
# architectures' copies are identical).
set(ORV_DEB_DOC_SOURCE "${CMAKE_CURRENT_LIST_DIR}/package")
# The changelog is the packages' history, not a second record of the
# version: its latest entry must be the version being built.
file(STRINGS "${ORV_DEB_DOC_SOURCE}/changelog" orv_latest_entry LIMIT_COUNT 1)
if(NOT orv_latest_entry MATCHES "^libquonvop4j \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "The latest entry of ${ORV_DEB_DOC_SOURCE}/changelog is not "
    "version ${PROJECT_VERSION} (cmake/project.env): ${orv_latest_entry}")
endif()
set(ORV_DEB_CHANGELOG "${PROJECT_BINARY_DIR}/package/changelog.gz")
execute_process(
  COMMAND gzip -9nc "${ORV_DEB_DOC_SOURCE}/changelog"
  OUTPUT_FILE "${ORV_DEB_CHANGELOG}"
  RESULT_VARIABLE orv_gzip_result)
if(NOT orv_gzip_result EQUAL 0)
  message(FATAL_ERROR "gzip of the Debian changelog failed: ${orv_gzip_result}")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             "${ORV_DEB_DOC_SOURCE}/changelog")

function(orv_install_package_doc component package)
  install(FILES "${ORV_DEB_DOC_SOURCE}/copyright" "${ORV_DEB_CHANGELOG}"
    DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/doc/${package}"
    PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
    COMPONENT ${component})
endfunction()
orv_install_package_doc(runtime ${ORV_DEB_LIB})
orv_install_package_doc(dev ${ORV_DEB_DEV})
set(ORV_DEB_COMPONENTS runtime dev)
if(ORV_INSTALL_JAR)
  orv_install_package_doc(java ${ORV_DEB_JAVA})
  list(APPEND ORV_DEB_COMPONENTS java)
endif()

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "libquonvop4j")
set(CPACK_PACKAGE_VENDOR "libquonvop4j developers")
set(CPACK_PACKAGE_CONTACT "${ORV_MAINTAINER}")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_HOMEPAGE_URL "${ORV_HOMEPAGE}")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
# Only the project's own components (not those of bundled test frameworks).
set(CPACK_COMPONENTS_ALL ${ORV_DEB_COMPONENTS})
set(CPACK_DEB_COMPONENT_INSTALL ON)

set(CPACK_DEBIAN_FILE_NAME "DEB-DEFAULT")
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE "${ORV_DEB_ARCH}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${ORV_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${ORV_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_SOURCE "libquonvop4j")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE "xz")
# Dependencies of the ELF files are computed by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME "${ORV_DEB_LIB}")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION "libs")
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION
"native library of com.quon.vop.Runtime (JNI)
libquonvop4j.so is the native side of the Java class com.quon.vop.Runtime:
it reports the library's version to Java and keeps the Java application's
name. It also carries the C++ base library orv (start-up and tear-down of
process-wide services, numbered exceptions and a message catalogue, files,
strings, dates and times).
The library is installed in the folder where the JVMs look for native
libraries, so Java programs load it without any option.")

set(CPACK_DEBIAN_DEV_PACKAGE_NAME "${ORV_DEB_DEV}")
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION "libdevel")
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "${ORV_DEB_LIB} (= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_DEV_DESCRIPTION
"development files of libquonvop4j (JNI library and orv)
Headers of the C++ base library orv and jni/ApplicationName.h, a CMake
package (find_package(quonvop4j CONFIG), target quonvop4j::quonvop4j) and
a pkg-config file (quonvop4j), for C++ programs that use libquonvop4j
directly. Programs linked this way find the library at run time through a
run path.")

set(CPACK_DEBIAN_JAVA_PACKAGE_NAME "${ORV_DEB_JAVA}")
set(CPACK_DEBIAN_JAVA_PACKAGE_SECTION "java")
set(CPACK_DEBIAN_JAVA_PACKAGE_ARCHITECTURE "all")
set(CPACK_DEBIAN_JAVA_PACKAGE_DEPENDS "${ORV_DEB_LIB} (>= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_JAVA_DESCRIPTION
"Java classes of libquonvop4j (com.quon.vop.Runtime and a demo)
The jar /usr/share/java/quonvop4j.jar holds com.quon.vop.Runtime, whose
native methods are implemented by libquonvop4j, and a small demo that
prints the library's version: java -jar /usr/share/java/quonvop4j.jar")

# CPack of this CMake version cannot write the Multi-Arch field: a script
# run after the packages are built adds it to the packages named here.
set(CPACK_ORV_MULTIARCH_SAME "${ORV_DEB_LIB};${ORV_DEB_DEV}")
set(CPACK_POST_BUILD_SCRIPTS "${CMAKE_CURRENT_LIST_DIR}/package/MultiArch.cmake")

include(CPack)
