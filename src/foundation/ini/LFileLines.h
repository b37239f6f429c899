#pragma once
// Line-wise reading and text writing on a plain file handle.

#include "foundation/files/LFile.h"

#include <cstddef>

// Reads one line (ended by CR, LF, CR LF or LF CR) into dest, keeping at most
// size - 1 bytes (the rest of a long line is read and dropped), terminated.
// True when a line was read; at the end of the file, whether any byte was read.
bool LFileReadLine(LFile* file, char* dest, size_t size);

// Writes the whole text; true when every byte was written. Without a
// descriptor only an empty text succeeds.
bool LFileWriteString(LFile* file, const char* text);
