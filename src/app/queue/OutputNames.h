#pragma once
// Names of new recordings: a template with tokens between percent signs
// ("Untitled %autonumber%", "Side %YYYY%-%MM%-%DD%"), and the search for the
// first name that neither a file of the output folder nor a queued job uses.

#include <cstdint>
#include <ctime>

class ProcessQueueFile;

inline constexpr const char* kDefaultOutputNameTemplate = "Untitled %autonumber%";

// Expands the template at the given local time. Tokens, compared without
// regard to case: YYYY, MM, DD, HH, MIN, SS and autonumber (the number, at
// least two digits); an unknown or empty token gives nothing, a percent sign
// without a closing one stays as it is. The result (at most 259 bytes, cut
// between characters) goes to out (260 bytes).
void ExpandOutputNameAt(char* out, const char* nameTemplate, int64_t number, const std::tm& when);
// The same at the current local time.
void ExpandOutputName(char* out, const char* nameTemplate, int64_t number);

// True when the template holds the %autonumber% token.
bool HasAutonumberToken(const char* nameTemplate);

// The first free name (no folder, no extension) in `folder`: a name is taken
// when folder/name.wav or folder/name.mp3 exists or is a queued job's
// destination. Numbers 1, 2, 3 ... fill %autonumber%; a template without it
// is tried as it stands and then with " 02", " 03" ... appended. The search
// ends after kOutputNameSearchLimit names. False (out empty) when no name is
// free, none fits a path, or the queue could not be searched.
inline constexpr int64_t kOutputNameSearchLimit = 10000;
bool MakeNextOutputNameIn(char* out, const char* folder, const char* nameTemplate, ProcessQueueFile& queue);

// The same with the template of "OutputFormat"/"FileNameFormat", the
// application output folder and this user's queue.
bool MakeNextOutputName(char* out);
