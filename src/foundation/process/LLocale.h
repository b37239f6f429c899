#pragma once
// The process's locale: the user's own, as the environment names it (LANG,
// LC_ALL, LC_*), set once for the whole process. Numbers keep the C rules
// (LC_NUMERIC "C"), so that every number the program writes into a file or a
// command line and reads back means the same under any user locale.

// Sets the locale on the first call; returns the locale text of the category
// (as setlocale(category, NULL) gives it) on every call.
const char* LInitLocale(int category);
