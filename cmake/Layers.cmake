# Layer targets. Each layer is an OBJECT library over its folders (globbed
# recursively, so a new subfolder is built without a change here) and sees,
# through a tree of links in the build folder, only its own folders and the
# include trees of the layers it links: including a higher layer is a build
# error ("No such file").

set(ZIB_LAYER_INCLUDES ${CMAKE_BINARY_DIR}/layers)

# Makes src/<path> visible to `target` as "<path>" (a folder or one file).
function(zib_expose target)
  set(root ${ZIB_LAYER_INCLUDES}/${target})
  foreach(path ${ARGN})
    get_filename_component(parent ${root}/${path} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    if(NOT IS_SYMLINK ${root}/${path})
      file(CREATE_LINK ${CMAKE_SOURCE_DIR}/src/${path} ${root}/${path} SYMBOLIC)
    endif()
  endforeach()
  target_include_directories(${target} PUBLIC ${root})
endfunction()

# Every folder of src/ that a layer builds; a folder no layer names stops the
# configure instead of being left out of the build.
set_property(GLOBAL PROPERTY ZIB_LAYER_DIRS "")
function(zib_check_layer_dirs)
  get_property(known GLOBAL PROPERTY ZIB_LAYER_DIRS)
  file(GLOB entries LIST_DIRECTORIES true CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/*)
  foreach(entry ${entries})
    get_filename_component(name ${entry} NAME)
    if(IS_DIRECTORY ${entry} AND NOT name IN_LIST known)
      message(FATAL_ERROR "src/${name}/ belongs to no layer: add it to a zib_layer() in CMakeLists.txt")
    endif()
  endforeach()
endfunction()

# zib_layer(<target> DIRS <folders under src/> [LINK <targets>...])
function(zib_layer target)
  cmake_parse_arguments(L "" "" "DIRS;LINK" ${ARGN})
  set(patterns)
  foreach(dir ${L_DIRS})
    list(APPEND patterns ${CMAKE_SOURCE_DIR}/src/${dir}/*.cpp)
  endforeach()
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${patterns})
  list(FILTER sources EXCLUDE REGEX "/src/program/main\\.cpp$")
  add_library(${target} OBJECT ${sources})
  zib_expose(${target} ${L_DIRS})
  foreach(dir ${L_DIRS})
    string(REGEX REPLACE "/.*" "" top ${dir})
    set_property(GLOBAL APPEND PROPERTY ZIB_LAYER_DIRS ${top})
  endforeach()
  target_link_libraries(${target} PUBLIC ${L_LINK})
endfunction()

# The platform interfaces: the files directly in src/platform/, not its
# backend subfolders.
function(zib_platform_interfaces target)
  cmake_parse_arguments(L "" "" "LINK" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/platform/*.cpp)
  file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/platform/*.h)
  add_library(${target} OBJECT ${sources})
  set(files)
  foreach(header ${headers})
    get_filename_component(name ${header} NAME)
    list(APPEND files platform/${name})
  endforeach()
  zib_expose(${target} ${files})
  target_link_libraries(${target} PUBLIC ${L_LINK})
endfunction()

# Every folder of src/platform/ but the shared cores (the device core, the
# audio mixer) is a backend of its own (zibbackend_<folder>): a backend sees
# the interfaces and the cores, never another backend. Sets ZIB_BACKENDS to
# their targets.
function(zib_backends)
  cmake_parse_arguments(L "" "" "LINK" ${ARGN})
  file(GLOB entries LIST_DIRECTORIES true CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/platform/*)
  set(targets)
  foreach(entry ${entries})
    get_filename_component(name ${entry} NAME)
    if(IS_DIRECTORY ${entry} AND NOT name STREQUAL "d3dcore" AND NOT name STREQUAL "mixer")
      zib_layer(zibbackend_${name} DIRS platform/${name} LINK ${L_LINK})
      list(APPEND targets zibbackend_${name})
    endif()
  endforeach()
  set(ZIB_BACKENDS ${targets} PARENT_SCOPE)
endfunction()
