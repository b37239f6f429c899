#pragma once
// The main window's way into the recording session: runs the session window
// modally over parent and returns when the user closed it. Messages about
// queued and discarded tracks go to parent's view.

class LWindow;

void LRunRecordingSession(LWindow* parent);
