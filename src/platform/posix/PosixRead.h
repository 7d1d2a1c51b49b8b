#pragma once
// Reading the small text files of /proc with plain system calls: no
// exceptions, and a file that vanishes while it is read reads as what came.
#include <cstddef>
#include <string>

// The file `name` relative to the open folder `folder` (AT_FDCWD for a path),
// at most about `limit` bytes; empty when it cannot be opened.
std::string readSmallFile(int folder, const char* name, size_t limit = size_t{1} << 20);
