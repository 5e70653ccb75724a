# Makes a jar that carries native libraries: the classes jar plus, for each
# platform, native/<platform>/libquonvop4j.so and beside it
# libquonvop4j.properties with the library's size and CRC-32, which
# com.quon.vop.LibraryLoader checks before it loads an extracted copy.
#
#   cmake -DCLASSES_JAR=<jar> -DOUTPUT=<jar> -DJAR_TOOL=<jar tool>
#         "-DLIBRARIES=<platform>=<file>;..." [-DSTRIP=<strip tool>]
#         ["-DSTRIP_FOR=<platform>=<strip tool>;..."] -P BundleLibraries.cmake
#
# Platforms are named as the loader names them: linux-x86_64, linux-i386,
# linux-aarch64.
# With STRIP the libraries go in without their debugging information;
# STRIP_FOR names another strip tool for some platforms (the host's strip
# knows only the host's objects; linux-aarch64 takes the arm64 binutils').
# The jar is written under a temporary name and renamed when complete.
foreach(required CLASSES_JAR OUTPUT JAR_TOOL LIBRARIES)
  if(NOT DEFINED ${required} OR "${${required}}" STREQUAL "")
    message(FATAL_ERROR "BundleLibraries.cmake: ${required} is not set")
  endif()
endforeach()

# crc32(<file> <variable>): the file's CRC-32 (the one of java.util.zip.CRC32),
# in hexadecimal. CMake has no CRC-32 of its own; gzip ends its output with
# the CRC-32 of the input, least significant byte first (RFC 1952).
function(crc32 file variable)
  execute_process(COMMAND gzip -1 -c "${file}" OUTPUT_FILE "${file}.gz" RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "BundleLibraries.cmake: gzip failed on ${file}")
  endif()
  file(SIZE "${file}.gz" length)
  math(EXPR trailer "${length} - 8")
  file(READ "${file}.gz" bytes OFFSET ${trailer} LIMIT 4 HEX)
  file(REMOVE "${file}.gz")
  string(REGEX REPLACE "^(..)(..)(..)(..)$" "\\4\\3\\2\\1" crc "${bytes}")
  set(${variable} "${crc}" PARENT_SCOPE)
endfunction()

get_filename_component(output_dir "${OUTPUT}" DIRECTORY)
set(staging "${OUTPUT}.staging")
file(REMOVE_RECURSE "${staging}")
file(MAKE_DIRECTORY "${staging}/native" "${output_dir}")

foreach(entry IN LISTS LIBRARIES)
  if(NOT entry MATCHES "^([a-z0-9_]+-[a-z0-9_]+)=(.+)$")
    message(FATAL_ERROR "BundleLibraries.cmake: '${entry}' is not <platform>=<file>")
  endif()
  set(platform "${CMAKE_MATCH_1}")
  set(library "${CMAKE_MATCH_2}")
  if(NOT EXISTS "${library}")
    message(FATAL_ERROR "BundleLibraries.cmake: no library ${library} for ${platform}")
  endif()
  set(dir "${staging}/native/${platform}")
  file(MAKE_DIRECTORY "${dir}")
  set(strip "${STRIP}")
  foreach(override IN LISTS STRIP_FOR)
    if(override MATCHES "^${platform}=(.+)$")
      set(strip "${CMAKE_MATCH_1}")
    endif()
  endforeach()
  if(strip)
    execute_process(COMMAND "${strip}" --strip-unneeded -o "${dir}/libquonvop4j.so" "${library}"
                    RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
      message(FATAL_ERROR "BundleLibraries.cmake: ${strip} failed on ${library}")
    endif()
  else()
    file(COPY_FILE "${library}" "${dir}/libquonvop4j.so")
  endif()
  file(SIZE "${dir}/libquonvop4j.so" size)
  crc32("${dir}/libquonvop4j.so" crc)
  file(WRITE "${dir}/libquonvop4j.properties" "size=${size}\ncrc32=${crc}\n")
endforeach()

set(partial "${OUTPUT}.part")
file(COPY_FILE "${CLASSES_JAR}" "${partial}")
# The libraries are stored uncompressed: inflating one would cost a JVM's
# first load of the library more than all the rest of its extraction, for a
# jar about 2.5 times the size.
execute_process(COMMAND "${JAR_TOOL}" --update --no-compress --file "${partial}" -C "${staging}" native
                RESULT_VARIABLE result)
file(REMOVE_RECURSE "${staging}")
if(NOT result EQUAL 0)
  file(REMOVE "${partial}")
  message(FATAL_ERROR "BundleLibraries.cmake: ${JAR_TOOL} could not add the libraries")
endif()
file(RENAME "${partial}" "${OUTPUT}")
