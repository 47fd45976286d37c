# The game's resources are sources under resources/, listed in a manifest and
# converted at build time by the host tool vilmar-respack into a table of
# bytes compiled into the program (and, for a resource script, into files).

function(vilmar_resource_table target manifest)
  get_filename_component(resource_dir ${manifest} DIRECTORY)
  file(STRINGS ${manifest} lines)
  set(inputs ${manifest})
  foreach(line IN LISTS lines)
    string(STRIP "${line}" line)
    if(line MATCHES "^([A-Z]+)[ \t]+([0-9]+)[ \t]+(.+)$")
      list(APPEND inputs ${resource_dir}/${CMAKE_MATCH_3})
    endif()
  endforeach()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${manifest})

  set(out_cpp ${CMAKE_CURRENT_BINARY_DIR}/generated/CompiledResources.cpp)
  set(raw_dir ${CMAKE_CURRENT_BINARY_DIR}/generated/raw)
  if(VILMAR_HOST_RESPACK)
    set(respack ${VILMAR_HOST_RESPACK})
    set(respack_dep ${VILMAR_HOST_RESPACK})
  else()
    set(respack $<TARGET_FILE:vilmar-respack>)
    set(respack_dep vilmar-respack)
  endif()
  add_custom_command(
    OUTPUT ${out_cpp}
    COMMAND ${respack} --manifest ${manifest} --cpp ${out_cpp} --raw-dir ${raw_dir}
    DEPENDS ${inputs} ${respack_dep}
    COMMENT "Converting the game's pictures, palette and sounds"
    VERBATIM)
  add_library(${target} STATIC ${out_cpp})
  target_link_libraries(${target} PUBLIC vilmar_core)
  set(VILMAR_RESOURCE_RAW_DIR ${raw_dir} PARENT_SCOPE)
endfunction()
