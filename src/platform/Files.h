#pragma once
// Files of the disk, as the engine's streams and savers need them.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

// Opens a regular file for reading ("rb", its length in `size`), or creates a
// new one for writing ("wb"): what sat at the name (an old file, a link, a
// FIFO) is unlinked, never written through; a folder or a device there is
// refused and stays. A FIFO or device in the place of a file to read is
// refused at once rather than waited on. Null with errno set on failure.
FILE* openRegularFile(const std::u16string& path, bool bWrite, uint64_t& size);

// Writes the bytes to a temporary file beside `path`, flushes it to the disk,
// renames it over `path` and syncs the folder, so that a failed or interrupted
// write leaves the old file whole. The new file keeps the old one's
// permissions. A symbolic link of the user's own stays and its file gets the
// content (another user's is refused with EACCES); only a
// regular file (or none) is replaced: a link to a folder is refused with
// EISDIR, one to a FIFO or device with EINVAL. A file made read-only is left
// as it is. The temporary file is always a new one: what sits at its name is
// unlinked, never written through. Another writer of the same file (a second copy of the program)
// holding its temporary file makes this one give way. Returns 0 or the
// system's error number, with `failedFile` naming the file it concerns:
// `path`, or the temporary file when that could not be written.
int replaceFile(const std::u16string& path, const void* bytes, size_t count, std::u16string& failedFile);
