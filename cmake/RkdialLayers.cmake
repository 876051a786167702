# One static library per layer of the program, with the layers it may use declared. A layer sees
# the headers of itself and of the layers it links, nothing else: each layer's include root in the
# build tree holds one link, named after the layer, to its source folder, so that
# #include "history/..." from a layer that may not use history fails to compile instead of
# quietly growing an arrow the design does not allow.
set(RKDIAL_LAYER_ROOT ${CMAKE_BINARY_DIR}/layers)

# rkdial_layer(<name> [RELAXED] SOURCES <files...> [USES <layers...>] [LIBRARIES <other libraries...>])
# makes the library rk<name> from src/<name>; RELAXED leaves out the strict warnings (the Qt front
# end, whose framework types convert freely).
function(rkdial_layer name)
  cmake_parse_arguments(PARSE_ARGV 1 LAYER "RELAXED" "" "SOURCES;USES;LIBRARIES")
  set(root ${RKDIAL_LAYER_ROOT}/${name})
  file(MAKE_DIRECTORY ${root})
  file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${name} ${root}/${name} SYMBOLIC)
  add_library(rk${name} STATIC ${LAYER_SOURCES})
  target_include_directories(rk${name} PUBLIC ${root})
  if(NOT LAYER_RELAXED)
    target_compile_options(rk${name} PRIVATE ${RKDIAL_STRICT_WARNINGS})
  endif()
  foreach(used IN LISTS LAYER_USES)
    target_link_libraries(rk${name} PUBLIC rk${used})
  endforeach()
  if(LAYER_LIBRARIES)
    target_link_libraries(rk${name} ${LAYER_LIBRARIES})
  endif()
endfunction()
