# Layering. Headers are included as "<module>/<name>.h", and a target reaches a library's
# headers only through that library's own include root, which holds nothing but the headers
# the library lists. A library gets its root with quellon_module(); whoever links it gets the
# root with it, so code can include only the headers of the libraries it links, and the links
# are the layers. The compiler checks it: an include of a header whose library is not linked
# is a file it cannot find.

# quellon_module(TARGET MODULE HEADERS header...): TARGET's sources live in MODULE/, and TARGET
# and whatever links it may include "MODULE/<header>" for each header listed (named as it lies
# under MODULE/).
function(quellon_module target module)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "" "HEADERS")
  if(arg_UNPARSED_ARGUMENTS OR NOT arg_HEADERS)
    message(FATAL_ERROR "quellon_module(${target} ${module} HEADERS header...)")
  endif()
  set(root ${PROJECT_BINARY_DIR}/include-roots/${target})
  file(REMOVE_RECURSE ${root})
  foreach(header IN LISTS arg_HEADERS)
    set(source ${PROJECT_SOURCE_DIR}/${module}/${header})
    if(NOT EXISTS ${source})
      message(FATAL_ERROR "quellon_module(${target}): ${module}/${header} does not exist")
    endif()
    get_filename_component(folder ${root}/${module}/${header} DIRECTORY)
    file(MAKE_DIRECTORY ${folder})
    file(CREATE_LINK ${source} ${root}/${module}/${header} SYMBOLIC)
  endforeach()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()
