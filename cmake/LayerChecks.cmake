# Holds the build to the layer table of cmake/Layers.cmake:
#
# - k4_layer_check: a target every layer library depends on, so that any
#   build runs cmake/CheckLayers.cmake (again whenever a file of src/ changes)
#   and stops when a lower layer includes a higher one;
# - k4_add_layer(<folder> SOURCES ...): the static library of src/<folder>,
#   its include path and its links, generated from the table, so that each
#   library's dependencies are declared once;
# - k4_check_layer_links(): called once every layer library exists; stops the
#   configuration when a library links a layer or an outside library its
#   folder may not use (a link added by hand beside the generated ones).

include(${CMAKE_CURRENT_LIST_DIR}/Layers.cmake)

file(GLOB_RECURSE k4_layer_sources CONFIGURE_DEPENDS
     "${PROJECT_SOURCE_DIR}/src/*.h" "${PROJECT_SOURCE_DIR}/src/*.hpp"
     "${PROJECT_SOURCE_DIR}/src/*.cpp" "${PROJECT_SOURCE_DIR}/src/*.inl")
set(k4_layer_stamp "${PROJECT_BINARY_DIR}/layers-checked.stamp")
add_custom_command(
  OUTPUT "${k4_layer_stamp}"
  COMMAND ${CMAKE_COMMAND} "-DK4_SRC=${PROJECT_SOURCE_DIR}/src" "-DK4_STAMP=${k4_layer_stamp}"
          -P "${CMAKE_CURRENT_LIST_DIR}/CheckLayers.cmake"
  DEPENDS ${k4_layer_sources} "${CMAKE_CURRENT_LIST_DIR}/CheckLayers.cmake"
          "${CMAKE_CURRENT_LIST_DIR}/Layers.cmake"
  COMMENT "Checking that every include in src/ points down the layers"
  VERBATIM)
add_custom_target(k4_layer_check DEPENDS "${k4_layer_stamp}")

function(k4_add_layer layer)
  cmake_parse_arguments(L "" "" "SOURCES" ${ARGN})
  if(NOT layer IN_LIST K4_LAYERS)
    message(FATAL_ERROR "k4_add_layer: src/${layer} is not a layer of cmake/Layers.cmake")
  endif()
  set(target ${K4_LAYER_TARGET_${layer}})
  add_library(${target} STATIC ${L_SOURCES})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  # Higher layers first, as a static link line wants them.
  set(uses ${K4_LAYER_USES_${layer}})
  list(REVERSE uses)
  set(links "")
  foreach(used IN LISTS uses)
    list(APPEND links ${K4_LAYER_TARGET_${used}})
  endforeach()
  target_link_libraries(${target} PUBLIC ${links} ${K4_LAYER_EXTERNAL_${layer}})
endfunction()

function(k4_check_layer_links)
  set(problems "")
  foreach(layer IN LISTS K4_LAYERS)
    set(target ${K4_LAYER_TARGET_${layer}})
    if(NOT TARGET ${target})
      list(APPEND problems "${target}: the library of src/${layer} is not defined")
      continue()
    endif()
    add_dependencies(${target} k4_layer_check)
    set(own_targets "")
    foreach(used IN LISTS K4_LAYER_USES_${layer})
      list(APPEND own_targets ${K4_LAYER_TARGET_${used}})
    endforeach()
    get_target_property(links ${target} LINK_LIBRARIES)
    get_target_property(interface ${target} INTERFACE_LINK_LIBRARIES)
    foreach(lib IN LISTS links interface)
      if(lib MATCHES "-NOTFOUND$" OR lib STREQUAL "")
        continue()
      endif()
      if(lib MATCHES "^k4_")
        if(NOT lib IN_LIST own_targets)
          list(APPEND problems "${target} links ${lib}, but ${layer} may use only: ${K4_LAYER_USES_${layer}}")
        endif()
      elseif(NOT lib IN_LIST K4_LAYER_EXTERNAL_${layer})
        list(APPEND problems "${target} links ${lib}, which src/${layer} may not use")
      endif()
    endforeach()
  endforeach()
  if(problems)
    list(REMOVE_DUPLICATES problems)
    list(JOIN problems "\n  " text)
    message(FATAL_ERROR "Layer links against cmake/Layers.cmake:\n  ${text}")
  endif()
endfunction()
