#pragma once
// Files the program writes are new regular files of its own making.
#include <sys/types.h>

// Unlinks an old file, a link (never what it leads to), a FIFO or a socket at
// `path`; a folder fails with EISDIR, a device with EINVAL, and stays. 0 when
// the name is free. Async-signal-safe.
int clearFileName(const char* path);

// Creates `path` as a new regular file open for writing, after clearing the
// name with `clear` (as above unless given): nothing is ever written through a
// link, into another file's hard link, or into a FIFO. Async-signal-safe with
// a clear that is: the crash filter writes its files with it. -1 with errno
// set on failure.
int openNewFile(const char* path, mode_t mode, int (*clear)(const char* path) = clearFileName);
