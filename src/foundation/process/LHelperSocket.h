#pragma once
// The program's local sockets: Unix-domain stream sockets whose file is named
// ".spipe." followed by the service name. The background service "quorind"
// keeps its socket in the "Shared" folder of the program's data folder; every
// other one lives in the user's caches folder.

// dest (260 bytes) = the socket path of the service. False (dest empty) when
// the name is empty or holds a '/', or when the folder cannot be named or the
// path does not fit.
bool LGetHelperSocketPath(char* dest, const char* name);

// Connects to the service's socket: *socketOut becomes the connected socket
// (non-blocking, close-on-exec) or -1. -1 means the service is not running:
// no socket file, a path longer than a socket address holds (it is never
// shortened, which would reach another file), or a refused connection.
void LConnectHelperPipe(int* socketOut, const char* name);
