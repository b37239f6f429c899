// Quorin: records vinyl and tape, splits and restores the tracks, writes WAV, MP3 and discs.
#include "app/program/startup/LApplicationMain.h"

int main(int argc, char** argv)
{
    // Makes the main window object that the application delegate owns for the run.
    LMainDialogFactory mainWindow;
    return LApplicationMain(argc, argv, mainWindow);
}
