#pragma once
// The ID3v1 genre list: a genre byte in ID3v1 and a "(n)" reference in an
// ID3v2 TCON frame both index it; the tag editors offer its names.

inline constexpr int kId3GenreCount = 148;
// The genre byte that stands for "no genre".
inline constexpr int kId3NoGenre = 255;

extern const char* const kId3GenreNames[kId3GenreCount];

// The name of a genre index, or null outside the list.
const char* Id3GenreName(int index);
// The index of a genre name compared without regard to case; -1 when it is not in the list.
int Id3GenreIndex(const char* name);
