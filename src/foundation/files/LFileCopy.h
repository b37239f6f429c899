#pragma once
// Copies of single files.

#include <cstdint>

// Copies the file with its data, permissions, times and extended attributes;
// a symbolic link is copied as a link. An existing destination is replaced as
// a whole (the copy is made beside it and renamed over it), so a failed copy
// leaves it as it was and never leaves a partial file. Only regular files and
// symbolic links are copied.
bool LFileCopy(const char* source, const char* destination);

// The same, but the copy only takes the destination's name when no file has
// it: false with errno EEXIST when one does (even one made meanwhile), and
// the file there is left as it was.
bool LFileCopyWithoutReplacing(const char* source, const char* destination);

// Copies all data from one descriptor to another from their current offsets,
// in the kernel when it can (copy_file_range) and by reading and writing when
// it cannot. At most `limit` bytes; the number copied goes to *copied. False
// on a read or write error.
bool LCopyFileData(int in, int out, uint64_t limit, uint64_t* copied);
