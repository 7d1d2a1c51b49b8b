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

# zib_backend_libraries(<folder> <libraries>...): the libraries of one backend,
# linked privately, so that no layer above it (nor another backend) can
# include their headers.
function(zib_backend_libraries folder)
  if(NOT TARGET zibbackend_${folder})
    message(FATAL_ERROR "no backend src/platform/${folder}/ for its libraries")
  endif()
  target_link_libraries(zibbackend_${folder} PRIVATE ${ARGN})
endfunction()

# Includes of our own headers name the layer's folder from src/: a relative
# path ("../graphics/...") or a bare neighbour ("Foo.h") would be found
# beside the including file, past the layer's include tree. Checked at
# configure and again by the test "layers.includes" (edits between configures).
function(zib_check_includes)
  set(ZIB_SOURCE_DIR ${CMAKE_SOURCE_DIR})
  include(${CMAKE_SOURCE_DIR}/cmake/CheckIncludes.cmake)
endfunction()

# zib_layer_probe(<name> <target> <include> PASS|FAIL): a test compiling one
# line, `#include <include>`, with the include paths of <target>. FAIL probes
# pass only when the header is not found, so a wrong include that the layers
# let through is a failing test.
function(zib_layer_probe name target include expect)
  set(file ${CMAKE_BINARY_DIR}/layer-probes/${name}.cpp)
  file(CONFIGURE OUTPUT ${file} CONTENT "#include ${include}\n")
  add_test(NAME layers.${name}
    COMMAND ${CMAKE_CXX_COMPILER} -std=c++20 -fsyntax-only
            "-I$<JOIN:$<TARGET_PROPERTY:${target},INCLUDE_DIRECTORIES>,;-I>" ${file}
    COMMAND_EXPAND_LISTS)
  if(expect STREQUAL "FAIL")
    string(REGEX REPLACE "^[<\"](.*)[>\"]$" "\\1" header "${include}")
    string(REGEX REPLACE "([.+])" "\\\\\\1" header "${header}")
    # GCC: "x.h: No such file or directory"; clang: "'x.h' file not found".
    set_tests_properties(layers.${name} PROPERTIES
      PASS_REGULAR_EXPRESSION "${header}(: No such file|' file not found)")
  endif()
endfunction()

# The layering's own tests: each FAIL probe beside a PASS probe of the same
# target, so that a broken compiler command cannot pass for a rejected include.
function(zib_layer_tests)
  add_test(NAME layers.includes
    COMMAND ${CMAKE_COMMAND} -DZIB_SOURCE_DIR=${CMAKE_SOURCE_DIR} -P ${CMAKE_SOURCE_DIR}/cmake/CheckIncludes.cmake)
  zib_layer_probe(engine_sees_engine zibengine "\"engine/Md5.h\"" PASS)
  zib_layer_probe(engine_cannot_see_graphics zibengine "\"graphics/ZibGraphics.h\"" FAIL)
  zib_layer_probe(graphics_cannot_see_game zibgraphics "\"app/Global.h\"" FAIL)
  zib_layer_probe(sdl_backend_sees_sdl zibbackend_sdl "<SDL_version.h>" PASS)
  zib_layer_probe(program_cannot_see_sdl zibprogram "<SDL.h>" FAIL)
  zib_layer_probe(null_backend_cannot_see_sdl zibbackend_null "<SDL.h>" FAIL)
  zib_layer_probe(sdl_backend_cannot_see_freetype zibbackend_sdl "<ft2build.h>" FAIL)
endfunction()
