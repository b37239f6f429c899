#pragma once
// What the track pages of the recording wizard share: the list of tracks
// with its three columns, playing a track, the product's message boxes and
// running a step in a progress window.

#include "app/program/wizard/WizardTracks.h"
#include "gui/framework/LWindow.h"

#include <functional>
#include <string>

class LProcessContext;

inline constexpr const char* kTrackPageMessageTitle = "Quorin Dizer od OD Udivezeve";

// Command of a click on a row of a track list.
inline constexpr int kTrackListClicked = 8000;

// Adds the list control with the columns "File Name", "File Duration" and
// "Last Modified" (widths not stored); clicks send kTrackListClicked,
// double clicks doubleClickCommand.
void AddTrackListView(LWindow* page, int listId, bool editable, int doubleClickCommand);
// Fills the list with the tracks of the folder, in name order; the rows of
// the named tracks are selected.
void FillTrackList(LWindow* page, int listId, const std::string& folder,
                   const std::vector<std::string>& selected = {});
// The names of the selected rows, in list order.
std::vector<std::string> SelectedTrackNames(const LWindow* page, int listId);

// Plays the one selected track in the track playback window, modally. False
// (after telling the user "Cannot play the selected file.") when the file
// does not open.
bool PlaySelectedTrack(LWindow* page, int listId, const std::string& folder);

// Runs step in a progress window titled title over the page. The step's
// result (0 done, 1 cancelled, 2 failed); 2 when the window cannot be made.
int RunWizardStep(LWindow* page, const char* title, const std::function<int(LProcessContext*)>& step);

// Places a control at dialog coordinates (scaled to the window).
void PlaceControl(LWindow* page, int id, double x, double y, double w, double h);
