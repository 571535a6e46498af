# The include check: every #include "folder/..." (or <folder/...>) in a file
# under src/<layer>/ must name the layer itself or a folder the layer uses
# (cmake/Layers.cmake). Reports every offending include and fails.
#
#   cmake -DK4_SRC=<src folder> [-DK4_STAMP=<file to touch on success>] -P CheckLayers.cmake
#
# Also refused: an include that climbs out with "..", and a folder of src/
# that the table does not know.

cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/Layers.cmake)

if(NOT K4_SRC OR NOT IS_DIRECTORY "${K4_SRC}")
  message(FATAL_ERROR "CheckLayers: K4_SRC must name the src folder (got \"${K4_SRC}\")")
endif()

set(problems "")

file(GLOB entries LIST_DIRECTORIES true RELATIVE "${K4_SRC}" "${K4_SRC}/*")
foreach(entry IN LISTS entries)
  if(IS_DIRECTORY "${K4_SRC}/${entry}" AND NOT entry IN_LIST K4_LAYERS)
    list(APPEND problems "src/${entry}/: a folder the layer table (cmake/Layers.cmake) does not know")
  endif()
endforeach()

foreach(layer IN LISTS K4_LAYERS)
  if(NOT IS_DIRECTORY "${K4_SRC}/${layer}")
    continue()
  endif()
  set(allowed ${layer} ${K4_LAYER_USES_${layer}})
  file(GLOB_RECURSE files RELATIVE "${K4_SRC}"
       "${K4_SRC}/${layer}/*.h" "${K4_SRC}/${layer}/*.hpp"
       "${K4_SRC}/${layer}/*.cpp" "${K4_SRC}/${layer}/*.inl")
  foreach(file IN LISTS files)
    file(STRINGS "${K4_SRC}/${file}" includes
         REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<][^\">]*[\">]")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[\"<]([^\">]*)[\">].*$" "\\1" path "${line}")
      if(path MATCHES "(^|/)\\.\\.(/|$)")
        list(APPEND problems "src/${file}: includes \"${path}\", which climbs out of its folder")
        continue()
      endif()
      if(NOT path MATCHES "/")
        continue()  # beside the including file, or a library's own header
      endif()
      string(REGEX REPLACE "/.*$" "" folder "${path}")
      if(folder IN_LIST K4_LAYERS AND NOT folder IN_LIST allowed)
        list(JOIN K4_LAYER_USES_${layer} ", " uses)
        if(uses STREQUAL "")
          set(rule "${layer} may use no other folder")
        else()
          set(rule "${layer} may use only ${uses}")
        endif()
        list(APPEND problems "src/${file}: includes \"${path}\", but ${rule}")
      endif()
    endforeach()
  endforeach()
endforeach()

if(problems)
  list(LENGTH problems count)
  list(JOIN problems "\n  " text)
  message(FATAL_ERROR "Layer check: ${count} problem(s) with the direction of the layers:\n  ${text}\n")
endif()
message(STATUS "Layer check: every include in src/ points down the layers")
if(K4_STAMP)
  file(TOUCH "${K4_STAMP}")
endif()
