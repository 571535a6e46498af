# Runs the layer check on the tree in upward/, where some includes point up the
# layers, and requires it to fail with exactly these problems (and so to pass
# over the includes there that are allowed).
#
#   cmake -DK4_CHECK=<CheckLayers.cmake> -DK4_TREE=<upward folder> -P CheckRefuses.cmake
cmake_minimum_required(VERSION 3.25)

execute_process(COMMAND ${CMAKE_COMMAND} -DK4_SRC=${K4_TREE} -P ${K4_CHECK}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(rc EQUAL 0)
  message(FATAL_ERROR "the layer check passed a tree with upward includes:\n${out}${err}")
endif()

set(expected
  "src/extra/: a folder the layer table"
  "src/common/cp.cpp: includes \"settings/Settings.h\", but common may use no other folder"
  "src/settings/Reader.cpp: includes \"ui/Controls.h\", but settings may use only common"
  "src/ui/Kit.h: includes \"app/StartupFailure.h\", but ui may use only common"
  "src/ui/Kit.h: includes \"maint/MaintScreen.h\", but ui may use only common"
  "src/ui/Kit.h: includes \"../db/Database.h\", which climbs out of its folder"
  "src/maint/Screen.cpp: includes \"sysinfo/cProfile.h\", but maint may use only common, settings, ui, store, lookup"
  "src/maint/Screen.cpp: includes \"db/Database.h\", but maint may use only common, settings, ui, store, lookup"
  "src/store/Rows.cpp: includes \"ui/Form.h\", but store may use only common, db"
)
set(missing "")
foreach(line IN LISTS expected)
  string(FIND "${err}" "${line}" at)
  if(at EQUAL -1)
    string(APPEND missing "\n  ${line}")
  endif()
endforeach()
if(missing)
  message(FATAL_ERROR "the layer check did not report:${missing}\nIt said:\n${err}")
endif()
list(LENGTH expected count)
if(NOT err MATCHES "Layer check: ${count} problem\\(s\\)")
  message(FATAL_ERROR "the layer check reported other problems than the ${count} expected:\n${err}")
endif()
message(STATUS "the layer check reported each of the ${count} problems and nothing else")
