# One subsystem folder of src/ becomes up to two static libraries:
#   rq_<name>_core  every source that is not a window (no Qt)
#   rq_<name>_ui    the window sources: names ending in _window, _dialog or _qt (Qt Widgets)
# Sources are found by glob so that adding a file needs no edit here; SKIP names files of the
# folder that this build leaves out.
function(rq_module name)
  cmake_parse_arguments(ARG "" "" "CORE_DEPS;UI_DEPS;SKIP" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/${name}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/${name}/*.h)
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  foreach(skipped ${ARG_SKIP})
    list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${name}/${skipped})
  endforeach()
  set(ui_sources ${sources})
  list(FILTER ui_sources INCLUDE REGEX "_(window|dialog|qt)\\.(cpp|h)$")
  set(core_sources ${sources})
  list(FILTER core_sources EXCLUDE REGEX "_(window|dialog|qt)\\.(cpp|h)$")

  list(FILTER core_sources INCLUDE REGEX "\\.cpp$")
  if(core_sources)
    add_library(rq_${name}_core STATIC ${core_sources})
    target_include_directories(rq_${name}_core PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(rq_${name}_core PUBLIC pugixml::pugixml ${ARG_CORE_DEPS})
  else()
    add_library(rq_${name}_core INTERFACE)
    target_include_directories(rq_${name}_core INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(rq_${name}_core INTERFACE pugixml::pugixml ${ARG_CORE_DEPS})
  endif()

  if(RQ_BUILD_UI AND ui_sources)
    add_library(rq_${name}_ui STATIC ${ui_sources})
    target_link_libraries(rq_${name}_ui PUBLIC rq_${name}_core Qt6::Widgets ${ARG_UI_DEPS})
  endif()
endfunction()
