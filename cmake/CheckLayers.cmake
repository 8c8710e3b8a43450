# The layers of src/: which module may include which. Each src/ folder is a module; its windows
# (names ending in _window, _dialog or _qt) are the module's "_ui" part, a main.cpp its "_main"
# program, and cli is a program as a whole. A module lies above every module it may include, so
# an include the other way, or a circle, is refused: at configure time (CMakeLists.txt) and by the
# test `layers` (cmake -DSRC=<src> -P cmake/CheckLayers.cmake).
if(CMAKE_SCRIPT_MODE_FILE)
  cmake_policy(VERSION 3.25)  # as the project's, when run as a script
endif()
#
# Each entry is "<module>:<modules it may include>", listed bottom-up: a module names only
# modules listed before it, so the graph has no circle.
set(RQ_LAYERS
  "text:"
  "util:text"
  "util_ui:util text"
  "lang:util text"
  "conf:util text"
  "scl:util text"
  "comm:conf util text"
  "comm_ui:comm conf lang util_ui util text"
  "access:scl conf util text"
  "image:access comm scl conf util text"
  "check:image access comm scl conf util text"
  "update:image access comm scl conf util text"
  "update_ui:update conf lang util_ui util text"
  # The check's report window.
  "check_ui:check image access comm scl conf lang util_ui util text"
  # The access editor's windows (src/access_ui).
  "access_ui:check_ui check image access comm scl conf lang util_ui util text"
  # The shell's core (context, settings, workspace, version query) and every table of texts.
  "app:update check image access comm scl conf lang util text"
  "app_ui:app access_ui check_ui update_ui comm_ui util_ui update check image access comm scl conf lang util text"
  "app_main:app_ui app access_ui check_ui update_ui comm_ui util_ui update check image access comm scl conf lang util text"
  "cli:app check image access comm scl conf lang util text")

# Includes that may go the wrong way, each "<file> <included header>": none.
set(RQ_LAYER_EXCEPTIONS)

# The module of `path` (a file under src/, as "folder/name").
function(rq_layer_of path out)
  string(REGEX MATCH "^([^/]+)/(.+)$" matched "${path}")
  set(folder "${CMAKE_MATCH_1}")
  get_filename_component(name "${CMAKE_MATCH_2}" NAME)
  if(folder STREQUAL "cli" OR folder MATCHES "_ui$")
    set(${out} "${folder}" PARENT_SCOPE)
  elseif(name STREQUAL "main.cpp")
    set(${out} "${folder}_main" PARENT_SCOPE)
  elseif(name MATCHES "_(window|dialog|qt)\\.(cpp|h)$")
    set(${out} "${folder}_ui" PARENT_SCOPE)
  else()
    set(${out} "${folder}" PARENT_SCOPE)
  endif()
endfunction()

# Sets `out` to the text of every violation found under `src` (empty when there is none).
function(rq_check_layers src out)
  get_filename_component(src "${src}" ABSOLUTE)
  set(problems "")
  set(known "")
  foreach(entry ${RQ_LAYERS})
    string(REGEX MATCH "^([a-z_]+):(.*)$" matched "${entry}")
    set(layer "${CMAKE_MATCH_1}")
    string(REPLACE " " ";" below "${CMAKE_MATCH_2}")
    foreach(lower ${below})
      if(NOT lower IN_LIST known)
        string(APPEND problems "cmake/CheckLayers.cmake: ${layer} names ${lower}, which is not "
               "listed before it (a circle, or a module missing from the list)\n")
      endif()
    endforeach()
    set(allowed_${layer} ${below})
    list(APPEND known ${layer})
  endforeach()

  file(GLOB_RECURSE files RELATIVE ${src} ${src}/*.h ${src}/*.cpp ${src}/*.def)
  list(SORT files)
  foreach(file ${files})
    rq_layer_of("${file}" layer)
    if(NOT layer IN_LIST known)
      string(APPEND problems "src/${file}: the module ${layer} has no place in the layers "
             "(cmake/CheckLayers.cmake)\n")
      continue()
    endif()
    file(STRINGS ${src}/${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"]+/[^\"]+\"")
    foreach(line ${includes})
      string(REGEX MATCH "\"([^\"]+)\"" matched "${line}")
      set(header "${CMAKE_MATCH_1}")
      rq_layer_of("${header}" used)
      if(used STREQUAL layer OR used IN_LIST allowed_${layer})
        continue()
      endif()
      if("${file} ${header}" IN_LIST RQ_LAYER_EXCEPTIONS)
        continue()
      endif()
      list(JOIN allowed_${layer} " " may)
      string(APPEND problems "src/${file}: includes \"${header}\" of ${used}, which ${layer} "
             "may not use (${layer} may include: ${may})\n")
    endforeach()
  endforeach()
  if(problems)
    set(problems "Includes against the layers (ARCHITECTURE.md \"Layers\"):\n${problems}")
  endif()
  set(${out} "${problems}" PARENT_SCOPE)
endfunction()

# Run as a script: cmake -DSRC=<src folder> -P CheckLayers.cmake
if(CMAKE_SCRIPT_MODE_FILE AND CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  rq_check_layers("${SRC}" problems)
  if(problems)
    # NOTICE prints each line as it is (an error message would be rewrapped).
    message(NOTICE "${problems}")
    message(FATAL_ERROR "layers: includes against the layers, listed above")
  endif()
  message(STATUS "layers: every include of src/ points down")
endif()
