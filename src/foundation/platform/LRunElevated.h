#pragma once
// Running a command-line tool with administrator rights through pkexec, which
// asks the user to authenticate.

class LProcessContext;

// Runs the command text (the tool, then its arguments; see LArgTokenizer) as
// administrator. A tool given without a '/' is looked for in $PATH first
// (pkexec wants an absolute path). With wait, everything the tool writes goes
// on to this program's standard output until the tool ends; a stop request
// ends the wait (result 1) and leaves the tool running.
// Returns 0 when the tool ran and, with wait, exited with 0; 1 when the user
// dismissed the authentication or a stop was requested; 2 otherwise (no tool,
// not authorised, or the tool exited with another code). exitStatus
// (optional) receives the tool's exit code, -1 when unknown.
int LRunElevated(LProcessContext* context, const char* command, bool wait, int* exitStatus = nullptr);

// LRunElevated through another program that behaves like pkexec (runs its
// arguments as a command; exit code 126 when the user dismissed the
// authentication, 127 when not authorised).
int LRunElevatedWith(const char* elevator, LProcessContext* context, const char* command, bool wait,
                     int* exitStatus = nullptr);
