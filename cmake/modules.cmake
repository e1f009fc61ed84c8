# Layering. Headers are included as "<module>/<name>.h", and a target can reach a module's
# headers only through that module's own include root, which holds nothing but the module. A
# library gets its root with quellon_module(); whoever links it gets the root with it, so a
# module can include only what it links, and the links are the layers.

# quellon_module(TARGET MODULE): TARGET's sources live in MODULE/; TARGET and whatever links it
# may include "MODULE/...".
function(quellon_module target module)
  set(root ${PROJECT_BINARY_DIR}/include-roots/${module})
  if(NOT EXISTS ${root}/${module})
    file(MAKE_DIRECTORY ${root})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${module} ${root}/${module} SYMBOLIC)
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()
