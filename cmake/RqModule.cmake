# One subsystem folder of src/ becomes up to two static libraries:
#   rq_<name>_core  every source that is not a window (no Qt)
#   rq_<name>_ui    the window sources: names ending in _window, _dialog or _qt (Qt Widgets)
# Sources are found by glob so that adding a file needs no edit here; SKIP names files of the
# folder that this build leaves out (they become targets of their own).
#
# A module sees only its own headers and those of what it links: its include path is a folder
# of the build holding one link, <name> -> src/<name>, and CORE_DEPS/UI_DEPS hand theirs on. A
# module that includes a header of one it does not link fails to compile; the allowed graph
# itself is checked by cmake/CheckLayers.cmake.

# The warnings of the project's own code, set per target so that third-party code built here
# (GoogleTest, pugixml on Windows) keeps its own. Qt's and the libraries' headers come in
# through imported targets as system headers, whose warnings the compiler does not report.
set(RQ_WARNINGS -Wall -Wextra -Wshadow -Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual
                -Wcast-align -Wformat=2)
if(RQ_WERROR)
  list(APPEND RQ_WARNINGS -Werror)
endif()
if(WIN32 AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  # GCC 12's MinGW libstdc++ makes -Wrestrict see overlapping copies in plain string
  # concatenation at -O2 (a known false positive of that release).
  list(APPEND RQ_WARNINGS -Wno-restrict)
endif()

# The project's warnings on `target` (a library, program, test or benchmark of this project).
function(rq_warnings target)
  target_compile_options(${target} PRIVATE ${RQ_WARNINGS})
endfunction()

# The warnings on every target defined in `dir` (and its subfolders) that compiles sources.
function(rq_warnings_in dir)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target ${targets})
    get_target_property(type ${target} TYPE)
    if(type MATCHES "^(STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|OBJECT_LIBRARY|EXECUTABLE)$")
      rq_warnings(${target})
    endif()
  endforeach()
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(subdir ${subdirs})
    rq_warnings_in(${subdir})
  endforeach()
endfunction()

# The include folder of module `name`: <build>/rq_include/<name>/<name> -> src/<name>.
function(rq_module_include_dir name out)
  set(root ${CMAKE_BINARY_DIR}/rq_include/${name})
  if(NOT EXISTS ${root}/${name})
    file(MAKE_DIRECTORY ${root})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${name} ${root}/${name} SYMBOLIC)
  endif()
  set(${out} ${root} PARENT_SCOPE)
endfunction()

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
  rq_module_include_dir(${name} include_dir)

  list(FILTER core_sources INCLUDE REGEX "\\.cpp$")
  if(core_sources)
    add_library(rq_${name}_core STATIC ${core_sources})
    target_include_directories(rq_${name}_core PUBLIC ${include_dir})
    target_link_libraries(rq_${name}_core PUBLIC ${ARG_CORE_DEPS})
    rq_warnings(rq_${name}_core)
  else()
    add_library(rq_${name}_core INTERFACE)
    target_include_directories(rq_${name}_core INTERFACE ${include_dir})
    target_link_libraries(rq_${name}_core INTERFACE ${ARG_CORE_DEPS})
  endif()

  if(RQ_BUILD_UI AND ui_sources)
    add_library(rq_${name}_ui STATIC ${ui_sources})
    target_link_libraries(rq_${name}_ui PUBLIC rq_${name}_core Qt6::Widgets ${ARG_UI_DEPS})
    rq_warnings(rq_${name}_ui)
  endif()
endfunction()
