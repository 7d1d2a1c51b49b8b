# Rejects includes of our own headers that do not start at src/ with a folder:
# "../x/y.h" and "y.h" resolve beside the including file, around the layers'
# include trees. Run at configure (from Layers.cmake) and as a test:
#   cmake -DZIB_SOURCE_DIR=<source dir> -P cmake/CheckIncludes.cmake
file(GLOB_RECURSE zib_checked_files ${ZIB_SOURCE_DIR}/src/*.h ${ZIB_SOURCE_DIR}/src/*.cpp)
set(zib_bad_includes "")
foreach(file ${zib_checked_files})
  file(STRINGS ${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(line ${lines})
    if(line MATCHES "\"([^\"]*)\"")
      set(path "${CMAKE_MATCH_1}")
      if(path MATCHES "(^|/)\\.\\.?/" OR NOT path MATCHES "/")
        file(RELATIVE_PATH name ${ZIB_SOURCE_DIR} ${file})
        string(APPEND zib_bad_includes "\n  ${name}: ${line}")
      endif()
    endif()
  endforeach()
endforeach()
if(zib_bad_includes)
  message(FATAL_ERROR "Include our headers by their folder from src/ (\"engine/Zib.h\"), "
                      "never by a relative path or a bare name:${zib_bad_includes}")
endif()
