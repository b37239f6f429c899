#pragma once
// Handing files to the maker's sibling programs (the sound editor Tessary,
// the disc burner Pyrocastelle, the converter Corvane): over a running
// copy's local socket, or by starting the program with each file as one
// argument of its own, never through a shell, so any name arrives intact.

#include <string>
#include <vector>

class LWindow;

// The program's command name: its name in lower case ("Tessary" -> "tessary").
std::string LRelatedProgramCommand(const char* program);

// Hands the argument text to a running copy over its local socket. False
// when no copy listens (the caller then starts the program itself). With
// wait, the hand-over also waits for that copy through a progress window
// titled `title` over parent.
bool LSendFileToRelatedProgram(LWindow* parent, const char* program, const char* argument, bool wait,
                               const char* title);

// Starts the program (found in $PATH by its command name) with the
// arguments, each as one argument. 0 started, 2 not installed or not started.
int LLaunchRelatedProgram(const char* program, const std::vector<std::string>& arguments);

// The related-program step of a command: find, install or start the program
// for the file (an empty argument starts it alone) under a progress window
// titled `title` ("Run Tessary"). 0 when the program took the file.
int LRunRelatedProgramDialog(LWindow* parent, const char* title, const char* program,
                             const std::string& argument, bool wait);
