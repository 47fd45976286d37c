# Fuzz targets. Each is a file with LLVMFuzzerTestOneInput. In the fuzz
# preset (clang, VILMAR_FUZZ=ON) it becomes a libFuzzer program
# fuzz_<name>; in every other build a replayer that runs its seed corpus,
# fuzz/corpus/<name>, as the test fuzz.replay.<name>.
#
#   vilmar_fuzz_target(NAME SOURCE [LIBRARIES...])
#
# Targets for other parts of the project (the game service's form decoder
# and web forms) are added the same way from their own CMakeLists, with
# their seeds in fuzz/corpus/<name>; tools/fuzz.sh and tools/fuzz-tests.sh
# find every target through the list VILMAR_FUZZ_TARGETS.

set(VILMAR_FUZZ_CORPUS_DIR ${PROJECT_SOURCE_DIR}/fuzz/corpus)
if(VILMAR_FUZZ AND NOT TARGET vilmar_fuzzers)
  add_custom_target(vilmar_fuzzers)
endif()

function(vilmar_fuzz_target name source)
  set(target fuzz_${name})
  if(VILMAR_FUZZ)
    add_executable(${target} ${source})
    target_link_options(${target} PRIVATE -fsanitize=fuzzer)
    add_dependencies(vilmar_fuzzers ${target})
  else()
    add_executable(${target} ${source} ${PROJECT_SOURCE_DIR}/fuzz/ReplayMain.cpp)
    add_test(NAME fuzz.replay.${name} COMMAND ${target} ${VILMAR_FUZZ_CORPUS_DIR}/${name})
  endif()
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${target} PRIVATE ${ARGN})
  set_property(GLOBAL APPEND PROPERTY VILMAR_FUZZ_TARGETS ${name})
endfunction()

# Writes fuzz-targets.txt in the build folder: one line per target, its
# name, program and seed corpus. Called once, after every target is known.
function(vilmar_write_fuzz_list)
  get_property(names GLOBAL PROPERTY VILMAR_FUZZ_TARGETS)
  set(text "")
  foreach(name IN LISTS names)
    string(APPEND text "${name} $<TARGET_FILE:fuzz_${name}> ${VILMAR_FUZZ_CORPUS_DIR}/${name}\n")
  endforeach()
  file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/fuzz-targets.txt CONTENT "${text}")
endfunction()
