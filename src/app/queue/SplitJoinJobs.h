#pragma once
// The split and join jobs that the main window and the wizard run in a
// progress window: writing marked regions of a file, splitting a recording
// into tracks, and joining files into one. Plain functions of a process
// context, so they run the same under a progress window, a worker or a tool.
//
// Every file is written under a hidden name and renamed into place once it
// is complete, never over an existing file: a track or joined file whose
// name is taken gets the next free name. The jobs never delete their inputs.

#include <cstdint>
#include <string>
#include <vector>

class LProcessContext;

// A stretch of a file in frames: from start up to (not including) end.
struct SoundSpan
{
    int64_t start = 0;
    int64_t end = 0;
};

// Results of the split jobs.
enum : int {
    kSplitDone = 0,
    kSplitCancelled = 1,
    kSplitFailed = 2,
};

// Writes each region of a WAV file to "<title>_SPLIT_nn.wav" beside it (n
// from 1, counting the regions written; an empty region is skipped). A
// cancel keeps the files finished so far. A region that ends before it
// starts, or a file that does not open, fails the job before anything is
// written. The paths written are added to `written` (optional).
int SplitFileRegions(LProcessContext* context, const char* path, const std::vector<SoundSpan>& regions,
                     std::vector<std::string>* written = nullptr);

// Splits a WAV or MP3 recording at ascending split points (frames) into
// "<title>_SPLIT_nn" files of its own format beside it: piece i runs from
// point i-1 (0 for the first) to point i (the end for the last) and is
// track i+1; an empty piece is skipped and its number not reused. A name
// that is taken becomes "<title> (mm)_SPLIT_nn". A cancel removes every file
// this run wrote.
int SplitFileIntoTracks(LProcessContext* context, const char* path, const std::vector<int64_t>& points,
                        std::vector<std::string>* written = nullptr);
// The same with the tracks given as spans (the regions a silence detector
// found): track i+1 is span i.
int SplitFileIntoTracks(LProcessContext* context, const char* path, const std::vector<SoundSpan>& tracks,
                        std::vector<std::string>* written = nullptr);

struct JoinFilesArgs
{
    std::vector<std::string> inputs;
    // Where a named result goes; empty: the application output folder.
    std::string outputFolder;
    // On entry: empty for a name made of the titles of the inputs that exist (each cut to 40
    // characters, followed by "_", then "JOINED"), or the path to write
    // (an existing file there is replaced). On return: the file written.
    std::string outputPath;
};

// Joins the inputs in order into one 44.1 kHz stereo 16-bit WAV, or into an
// MP3 when the first input (or the requested path) is one. Inputs that do
// not exist are skipped; one that does not open or is empty fails the job.
// When "AudioRestoration"/"Normalization" is on, each input is normalized
// first. 0 done; 2 failed or cancelled (nothing is left behind), or the MP3
// encoding failed (the joined WAV is kept and named in outputPath).
int JoinFiles(LProcessContext* context, JoinFilesArgs& args);
