#pragma once
// Every picture the program loads by number. A picture with a meaning the
// desktop's icon theme knows comes from that theme (so the program looks
// native wherever it runs); each one also has a drawing of ours,
// "svg/<number>.svg" under the resources folder, used when no theme has the
// icon and for the pictures no theme could have (diagrams, the program's own
// picture).

#include <cstddef>

struct LImageResource
{
    int id;
    // What the picture shows, for the resource sheet and for tests.
    const char* meaning;
    // Icon names of the freedesktop naming scheme, tried in order, separated
    // by spaces; empty when only our own drawing fits.
    const char* themeIcons;
};

// The whole table, in ascending order of number; each number appears once.
const LImageResource* LImageResourceTable(size_t* count);
// The entry of a number, or null when the program has no such picture.
const LImageResource* LFindImageResource(int id);
