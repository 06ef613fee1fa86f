# Reproducible programs: the same commit built in two folders at two times
# gives the same bytes, so anyone can check that a shipped installer is what
# the sources build (scripts/release.sh; tests/release checks it).
#
# - No build paths in objects: the source and build folders are mapped to
#   fixed names in __FILE__ and debug information (the build folder may lie
#   inside the source folder; the more specific map comes last and wins).
# - Archives without member times, owners or modes (ar D, ranlib -D).
# - The PE header's time stamp: SOURCE_DATE_EPOCH when it is set at configure
#   time, else 0. The linker reads the variable itself, so every link runs
#   with it set to that one value whatever the caller's environment holds.
# The theme archive takes care of itself (cmake/zip_tree.py: sorted entries,
# fixed times and modes).

add_compile_options("-ffile-prefix-map=${PROJECT_SOURCE_DIR}/=" "-ffile-prefix-map=${PROJECT_BINARY_DIR}/=")

foreach(lang C CXX ASM)
  set(CMAKE_${lang}_ARCHIVE_CREATE "<CMAKE_AR> qcD <TARGET> <LINK_FLAGS> <OBJECTS>")
  set(CMAKE_${lang}_ARCHIVE_APPEND "<CMAKE_AR> qD <TARGET> <LINK_FLAGS> <OBJECTS>")
  set(CMAKE_${lang}_ARCHIVE_FINISH "<CMAKE_RANLIB> -D <TARGET>")
endforeach()

if(WIN32)
  set(LUMACAST_PE_TIMESTAMP 0)
  if(DEFINED ENV{SOURCE_DATE_EPOCH})
    if(NOT "$ENV{SOURCE_DATE_EPOCH}" MATCHES "^[0-9]+$")
      message(FATAL_ERROR "SOURCE_DATE_EPOCH must be a whole number of seconds, not \"$ENV{SOURCE_DATE_EPOCH}\"")
    endif()
    set(LUMACAST_PE_TIMESTAMP "$ENV{SOURCE_DATE_EPOCH}")
  endif()
  foreach(lang C CXX)
    set(CMAKE_${lang}_LINKER_LAUNCHER "${CMAKE_COMMAND}" -E env "SOURCE_DATE_EPOCH=${LUMACAST_PE_TIMESTAMP}")
  endforeach()
endif()
