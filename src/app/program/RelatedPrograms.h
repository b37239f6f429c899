#pragma once
// Handing files to the maker's sibling programs from the program's windows:
// over a running copy's local socket (bounded in time, with the window kept
// responsive meanwhile), or by starting the installed program with each file
// as one argument of its own, never through a shell, so any name arrives
// intact. A program that is not installed is offered for installing from the
// maker's site, or its web page.

#include "gui/framework/LView.h"
#include "online/LRelatedPrograms.h"

#include <string>
#include <vector>

class LWindow;

enum class LSendFileResult {
    HandedOver, // a running copy took the file
    NotTaken,   // no copy listens, or it did not take the record in time: start the program
    Refused,    // a running copy listens, but the path is too long for the record: nothing was sent
};

// Hands the argument text to a running copy over its local socket. With
// wait, the call then waits, under a progress window titled `title` over
// parent, until that copy has ended.
LSendFileResult LSendFileToRelatedProgram(LWindow* parent, const char* program, const char* argument,
                                          bool wait, const char* title);

// What to tell the user when a running copy cannot take the argument
// (LSendFileResult::Refused): the message line and its explanation.
struct LRelatedMessage
{
    std::string line;
    std::string text;
};
LRelatedMessage LHandOverRefusal(const char* program, const char* argument);

// Starts the installed program with the arguments, each as one argument,
// without waiting. 0 started, 2 not installed or not started.
int LLaunchRelatedProgram(const char* program, const std::vector<std::string>& arguments);

// The related-program step of a command: start the program for the file (an
// empty argument starts it alone); with wait, under a progress window titled
// `title` ("Run Tessary") until it has ended. A program that is not installed
// is offered for installing (LOfferRelatedProgramInstall). 0 when the
// program took the file.
int LRunRelatedProgramDialog(LWindow* parent, const char* title, const char* program,
                             const std::string& argument, bool wait);

// Tells the user that the program is not installed and offers to install it
// (LInstallRelatedProgram) or to open its web page; an install that fails
// offers the web page once more. True when the program is installed
// afterwards.
bool LOfferRelatedProgramInstall(LViewHandle parent, const char* program);

// Downloads and installs the program into the user's applications folder
// under the progress window "Install Program": 0 installed, 1 stopped, 2
// not downloaded, kRelatedInstallNotInstallable when the download is no
// program Quorin can install.
int LInstallRelatedProgram(LViewHandle parent, const char* program);

// The web page of a sibling program on the maker's site (QUORIN_SITE applied).
std::string LRelatedProgramPageUrl(const char* program);
