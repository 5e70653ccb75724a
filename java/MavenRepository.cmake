# Lays out a Maven 2 repository that holds com.quon.vop:quonvop4j:<version>,
# for builds that depend on the library by its coordinates:
#
#   com/quon/vop/quonvop4j/maven-metadata.xml            the versions held
#   com/quon/vop/quonvop4j/<version>/quonvop4j-<version>.jar          the jar given, natives inside
#   com/quon/vop/quonvop4j/<version>/quonvop4j-<version>.pom          java/quonvop4j.pom.in
#   com/quon/vop/quonvop4j/<version>/quonvop4j-<version>-sources.jar  java/**.java
#   com/quon/vop/quonvop4j/<version>/quonvop4j-<version>-javadoc.jar  the API documentation
#
# and beside each file its MD5 and SHA-1 checksums (<file>.md5, <file>.sha1:
# the digest in hexadecimal, nothing else), as Maven's deploy writes them.
#
#   cmake -DJAR=<jar with the natives> -DOUTPUT=<repository folder>
#         -DJDK=<JDK folder> -P java/MavenRepository.cmake
#
# The jar is the one scripts/dist.sh assembles and tests, taken as it is. The
# API documentation is made with javadoc -Xdoclint:all -Werror: a public class
# or member without its contract, a broken link or malformed HTML stops the
# layout. The repository is written into a staging folder and takes the
# place of OUTPUT only when complete.
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/../cmake/ProjectEnv.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/../cmake/Identity.cmake)

foreach(required JAR OUTPUT JDK)
  if(NOT DEFINED ${required} OR "${${required}}" STREQUAL "")
    message(FATAL_ERROR "MavenRepository.cmake: ${required} is not set")
  endif()
endforeach()
if(NOT EXISTS "${JAR}")
  message(FATAL_ERROR "MavenRepository.cmake: no jar ${JAR}")
endif()

set(sources "${CMAKE_CURRENT_LIST_DIR}")
set(artifact "quonvop4j")
set(base "${artifact}-${ORV_VERSION}")
set(staging "${OUTPUT}.staging")
set(artifact_dir "${staging}/com/quon/vop/${artifact}")
set(version_dir "${artifact_dir}/${ORV_VERSION}")
file(REMOVE_RECURSE "${staging}")
file(MAKE_DIRECTORY "${version_dir}")

# run(<what> <command>...): runs the command, stops the layout when it fails.
function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    file(REMOVE_RECURSE "${staging}")
    message(FATAL_ERROR "MavenRepository.cmake: ${what} failed (${result})")
  endif()
endfunction()

function(xml_escape text variable)
  string(REPLACE "&" "&amp;" text "${text}")
  string(REPLACE "<" "&lt;" text "${text}")
  string(REPLACE ">" "&gt;" text "${text}")
  set(${variable} "${text}" PARENT_SCOPE)
endfunction()

# The jar, as given.
file(COPY_FILE "${JAR}" "${version_dir}/${base}.jar")

# The pom. The platforms are those whose library the jar carries; the licence
# is the one the Debian packages' copyright file states.
execute_process(COMMAND "${JDK}/bin/jar" --list --file "${JAR}"
                OUTPUT_VARIABLE entries RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "MavenRepository.cmake: cannot list ${JAR}")
endif()
string(REGEX MATCHALL "native/linux-[a-z0-9_]+/libquonvop4j\\.so" libraries "${entries}")
if(libraries STREQUAL "")
  message(FATAL_ERROR "MavenRepository.cmake: ${JAR} carries no native library")
endif()
set(platforms "")
foreach(library IN LISTS libraries)
  string(REGEX REPLACE "^native/linux-([a-z0-9_]+)/.*$" "\\1" platform "${library}")
  list(APPEND platforms "${platform}")
endforeach()
list(SORT platforms)
list(POP_BACK platforms last)
if(platforms STREQUAL "")
  set(ORV_PLATFORM_LIST "${last}")
else()
  list(JOIN platforms ", " ORV_PLATFORM_LIST)
  string(APPEND ORV_PLATFORM_LIST " and ${last}")
endif()

file(READ "${sources}/../cmake/package/copyright" copyright)
if(NOT copyright MATCHES "\nLicense: ([^\n]+)\n(( [^\n]*\n)+)")
  message(FATAL_ERROR "MavenRepository.cmake: no License paragraph in cmake/package/copyright")
endif()
set(ORV_LICENCE_NAME "${CMAKE_MATCH_1}")
string(REGEX REPLACE "\n " " " licence_text "${CMAKE_MATCH_2}")
string(STRIP "${licence_text}" licence_text)
xml_escape("${licence_text}" ORV_LICENCE_TEXT)
xml_escape("${ORV_MAINTAINER_NAME}" ORV_MAINTAINER_NAME)
configure_file("${sources}/quonvop4j.pom.in" "${version_dir}/${base}.pom" @ONLY)

# The sources: every class of the jar and its module descriptor.
file(GLOB_RECURSE java_sources RELATIVE "${sources}" "${sources}/com/*.java")
set(entries "")
foreach(source IN LISTS java_sources ITEMS module-info.java)
  list(APPEND entries -C "${sources}" "${source}")
endforeach()
run("the sources jar" "${JDK}/bin/jar" --create --file "${version_dir}/${base}-sources.jar"
    ${entries})

# The API documentation of package com.quon.vop, against Java 8's API (the
# classes' release), laid out by package as tools of every age expect it.
set(javadoc_dir "${staging}/javadoc")
run("javadoc" "${JDK}/bin/javadoc" -Xdoclint:all -Werror -quiet -notimestamp -encoding UTF-8
    -docencoding UTF-8 -charset UTF-8 -d "${javadoc_dir}"
    -doctitle "libquonvop4j ${ORV_VERSION} API"
    -windowtitle "libquonvop4j ${ORV_VERSION}"
    --release 8 --source-path "${sources}" com.quon.vop)
run("the javadoc jar" "${JDK}/bin/jar" --create --file "${version_dir}/${base}-javadoc.jar"
    -C "${javadoc_dir}" .)
file(REMOVE_RECURSE "${javadoc_dir}")

# The versions this repository holds: one.
string(TIMESTAMP updated "%Y%m%d%H%M%S" UTC)
file(WRITE "${artifact_dir}/maven-metadata.xml" "<?xml version=\"1.0\" encoding=\"UTF-8\"?>
<metadata>
  <groupId>com.quon.vop</groupId>
  <artifactId>${artifact}</artifactId>
  <versioning>
    <release>${ORV_VERSION}</release>
    <versions>
      <version>${ORV_VERSION}</version>
    </versions>
    <lastUpdated>${updated}</lastUpdated>
  </versioning>
</metadata>
")

# Checksums beside every file.
file(GLOB_RECURSE files "${staging}/*")
foreach(file IN LISTS files)
  foreach(algorithm MD5 SHA1)
    file(${algorithm} "${file}" digest)
    string(TOLOWER "${algorithm}" suffix)
    file(WRITE "${file}.${suffix}" "${digest}")
  endforeach()
endforeach()

file(REMOVE_RECURSE "${OUTPUT}")
file(RENAME "${staging}" "${OUTPUT}")
