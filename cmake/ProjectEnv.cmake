# Reads cmake/project.env, the version and tool paths that CMake shares with
# the scripts, into CMake variables of the same names (ORV_VERSION,
# ORV_RELEASE_DATE, ORV_JDK_X86_64, ...). Included before project(), so it
# uses nothing that needs a language enabled.
include_guard(GLOBAL)

set(ORV_PROJECT_ENV "${CMAKE_CURRENT_LIST_DIR}/project.env")
file(STRINGS "${ORV_PROJECT_ENV}" orv_env_lines REGEX "^[A-Z0-9_]+=")
foreach(orv_env_line IN LISTS orv_env_lines)
  string(REGEX MATCH "^([A-Z0-9_]+)=(.*)$" orv_env_match "${orv_env_line}")
  set(${CMAKE_MATCH_1} "${CMAKE_MATCH_2}")
endforeach()
foreach(orv_env_key ORV_VERSION ORV_RELEASE_DATE ORV_JDK_X86_64 ORV_JDK_I386
        ORV_JDK_AARCH64 ORV_JDK_NEWEST ORV_JUNIT_JAR ORV_BULLSEYE_CACHE)
  if(NOT DEFINED ${orv_env_key})
    message(FATAL_ERROR "${ORV_PROJECT_ENV} does not define ${orv_env_key}")
  endif()
endforeach()
if(NOT ORV_RELEASE_DATE MATCHES "^([0-9][0-9][0-9][0-9])-([0-9][0-9])-([0-9][0-9])$")
  message(FATAL_ERROR "ORV_RELEASE_DATE in ${ORV_PROJECT_ENV} is not YYYY-MM-DD: ${ORV_RELEASE_DATE}")
endif()
# As numbers, without the leading zeros that C would read as octal.
set(ORV_RELEASE_YEAR "${CMAKE_MATCH_1}")
set(ORV_RELEASE_MONTH "${CMAKE_MATCH_2}")
set(ORV_RELEASE_DAY "${CMAKE_MATCH_3}")
foreach(orv_env_key ORV_RELEASE_MONTH ORV_RELEASE_DAY)
  string(REGEX REPLACE "^0" "" ${orv_env_key} "${${orv_env_key}}")
endforeach()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${ORV_PROJECT_ENV}")
