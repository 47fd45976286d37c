# The game's version, from the repository: a release tag "vX.Y.Z" gives
# X.Y.Z (with "+N.gHASH" when N commits lie beyond it); a tree without a tag
# gives the project's version with the commit count and hash, "1.0~gitN.HASH",
# which Debian orders before the first tagged release. Outside a repository
# (a source tarball) VILMAR_VERSION may be set by hand.
# VILMAR_VERSION_NUMERIC is the four numbers of the Windows version resource:
# major, minor, patch and the commit count beyond the tag.

set(VILMAR_VERSION "" CACHE STRING "Version of the programs; empty: from git")
set(VILMAR_VERSION_EFFECTIVE "${PROJECT_VERSION}")
set(_numbers ${PROJECT_VERSION_MAJOR} ${PROJECT_VERSION_MINOR} 0 0)

find_package(Git QUIET)
if(VILMAR_VERSION)
  set(VILMAR_VERSION_EFFECTIVE "${VILMAR_VERSION}")
  string(REGEX MATCHALL "[0-9]+" _found "${VILMAR_VERSION}")
  list(APPEND _found 0 0 0 0)
  list(SUBLIST _found 0 4 _numbers)
elseif(GIT_FOUND)
  execute_process(COMMAND ${GIT_EXECUTABLE} describe --tags --match "v[0-9]*" --long
                  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR} OUTPUT_VARIABLE _described
                  RESULT_VARIABLE _tag_result OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(_tag_result EQUAL 0 AND _described MATCHES "^v([0-9]+)\\.([0-9]+)(\\.([0-9]+))?-([0-9]+)-g([0-9a-f]+)$")
    set(_patch "${CMAKE_MATCH_4}")
    if(_patch STREQUAL "")
      set(_patch 0)
    endif()
    set(_numbers ${CMAKE_MATCH_1} ${CMAKE_MATCH_2} ${_patch} ${CMAKE_MATCH_5})
    set(VILMAR_VERSION_EFFECTIVE "${CMAKE_MATCH_1}.${CMAKE_MATCH_2}.${_patch}")
    if(NOT CMAKE_MATCH_5 EQUAL 0)
      string(APPEND VILMAR_VERSION_EFFECTIVE "+${CMAKE_MATCH_5}.g${CMAKE_MATCH_6}")
    endif()
  else()
    execute_process(COMMAND ${GIT_EXECUTABLE} rev-list --count HEAD
                    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR} OUTPUT_VARIABLE _count
                    RESULT_VARIABLE _count_result OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --short=8 HEAD
                    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR} OUTPUT_VARIABLE _hash
                    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(_count_result EQUAL 0)
      set(VILMAR_VERSION_EFFECTIVE "${PROJECT_VERSION}~git${_count}.${_hash}")
      set(_numbers ${PROJECT_VERSION_MAJOR} ${PROJECT_VERSION_MINOR} 0 ${_count})
    endif()
  endif()
endif()
string(REPLACE ";" "," VILMAR_VERSION_NUMERIC "${_numbers}")

# The version for the code: #include "Version.h" gives vilmar::VERSION.
set(VILMAR_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
file(CONFIGURE OUTPUT ${VILMAR_GENERATED_DIR}/Version.h CONTENT
"#pragma once
// Made by the build from the repository's version.
namespace vilmar {
inline constexpr const char* VERSION = \"${VILMAR_VERSION_EFFECTIVE}\";
}
" @ONLY)
add_library(vilmar_version INTERFACE)
target_include_directories(vilmar_version INTERFACE ${VILMAR_GENERATED_DIR})
message(STATUS "Vilmar Pintkeeper version ${VILMAR_VERSION_EFFECTIVE} (${VILMAR_VERSION_NUMERIC})")
