# What every target of the project links, as INTERFACE targets, instead of
# settings for the whole directory tree:
#   orv_abi         64-bit time_t and file offsets on both architectures, so
#                   the 32-bit build has no 2038 and no 2 GiB limit either.
#                   std::time_t and file offsets are part of the API: code
#                   built on the library must see the same widths, so the
#                   library passes ORV_ABI_DEFINITIONS on to its users too.
#   orv_warnings    warnings as errors, for the project's own code only
#                   (linked PRIVATE; not for third-party code).
#   orv_sanitizers  -fsanitize=${ORV_SANITIZE} for compiling and linking;
#                   empty when ORV_SANITIZE is.
set(ORV_ABI_DEFINITIONS _FILE_OFFSET_BITS=64 _TIME_BITS=64)
add_library(orv_abi INTERFACE)
target_compile_definitions(orv_abi INTERFACE ${ORV_ABI_DEFINITIONS})

add_library(orv_warnings INTERFACE)
target_compile_options(orv_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow
  $<$<COMPILE_LANGUAGE:CXX>:-Wnon-virtual-dtor> -Wcast-align -Wformat=2 -Wundef -Werror)

add_library(orv_sanitizers INTERFACE)
if(ORV_SANITIZE)
  target_compile_options(orv_sanitizers INTERFACE -fsanitize=${ORV_SANITIZE}
                         -fno-omit-frame-pointer -fno-sanitize-recover=all)
  target_link_options(orv_sanitizers INTERFACE -fsanitize=${ORV_SANITIZE})
endif()

# orv_use_settings(<target>...): links the three into targets of the project.
function(orv_use_settings)
  foreach(target IN LISTS ARGN)
    target_link_libraries(${target} PRIVATE orv_abi orv_warnings orv_sanitizers)
  endforeach()
endfunction()
