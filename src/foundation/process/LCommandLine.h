#pragma once
// The program's argument vector as the application reads it: the process's own
// argument strings (not copied), without a "-psn..." process-serial-number
// argument that some launchers put at index 1.

// Keeps argc and argv; argument 1 is left out when it begins with "-psn".
void LSetCommandLine(int argc, char** argv);

// The kept count and the null-terminated argument array (empty before
// LSetCommandLine).
int LGetCommandLineCount();
char** LGetCommandLine();
