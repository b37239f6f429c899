#pragma once
// Whether the chunks of a RIFF/WAVE file add up, checked before its tags are
// rewritten. The rewrite blanks, fills and appends chunks where their sizes
// say they are; when a size is wrong those places lie inside other chunks,
// often inside the audio, so a file whose layout does not add up is refused
// instead of "repaired".

#include <cstdint>
#include <string>

// True when, from the first chunk to the end of the RIFF form (or of the file,
// when the form claims more), every chunk header sits where the previous
// chunk's padded size puts it, every chunk ends within the file, and there is
// a "data" chunk. A "data" chunk that is the last and runs past the end of the
// file is a recording cut short, which the rewrite handles, and passes.
// Otherwise false, with what is wrong in *damage (offsets in bytes from the
// start of the file).
bool LCheckWavChunkLayout(int fd, int64_t fileSize, std::string* damage);
