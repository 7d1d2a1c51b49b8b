# Rejects includes of our own headers that do not start at src/ with a folder:
# "../x/y.h" and "y.h" resolve beside the including file, around the layers'
# include trees. Rejects the system's own headers outside the platform
# backends: operating-system services go through a platform interface.
# Run at configure (from Layers.cmake) and as a test:
#   cmake -DZIB_SOURCE_DIR=<source dir> -P cmake/CheckIncludes.cmake
file(GLOB_RECURSE zib_checked_files ${ZIB_SOURCE_DIR}/src/*.h ${ZIB_SOURCE_DIR}/src/*.cpp)
set(zib_bad_includes "")
set(zib_system_headers "")
foreach(file ${zib_checked_files})
  file(RELATIVE_PATH name ${ZIB_SOURCE_DIR} ${file})
  if(NOT name MATCHES "^src/platform/(sdl|gl|null|posix|freetype|sndfile)/")
    file(STRINGS ${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*<(unistd\\.h|sys/|signal\\.h|csignal>|fcntl\\.h|dirent\\.h)")
    foreach(line ${lines})
      string(APPEND zib_system_headers "\n  ${name}: ${line}")
    endforeach()
  endif()
  file(STRINGS ${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(line ${lines})
    if(line MATCHES "\"([^\"]*)\"")
      set(path "${CMAKE_MATCH_1}")
      if(path MATCHES "(^|/)\\.\\.?/" OR NOT path MATCHES "/")
        string(APPEND zib_bad_includes "\n  ${name}: ${line}")
      endif()
    endif()
  endforeach()
endforeach()
if(zib_bad_includes)
  message(FATAL_ERROR "Include our headers by their folder from src/ (\"engine/Zib.h\"), "
                      "never by a relative path or a bare name:${zib_bad_includes}")
endif()
if(zib_system_headers)
  message(FATAL_ERROR "Only the platform backends (src/platform/<backend>/) include the system's own "
                      "headers; put the call behind a platform interface:${zib_system_headers}")
endif()
