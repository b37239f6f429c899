// Quorin: records vinyl and tape, splits and restores the tracks, writes WAV, MP3 and discs.
#include "app/program/MainDialog.h"
#include "app/program/startup/LApplicationMain.h"

#include <memory>

int main(int argc, char** argv)
{
    // Makes the main window object that the application delegate owns for the run.
    LMainDialogFactory mainWindow = [] { return std::make_unique<MainDialog>(); };
    return LApplicationMain(argc, argv, mainWindow);
}
