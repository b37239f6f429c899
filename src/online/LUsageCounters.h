#pragma once
// The usage counters: a small file of per-feature counts in the caches
// folder, shared by the program's runs, one entry of which is sampled into
// the web links of the maker's pages. Loaded when the main window is made,
// saved when it goes.

#include <cstdint>
#include <string>
#include <vector>

// The process-wide counters (64 entries at start): id in bits 0-15, count in
// bits 32-63.
std::vector<uint64_t>& LUsageCounters();
// "QuorinCounts.txt" in the caches folder.
bool LGetUsageCountersPath(char* dest);
// Loads at most 256 entries; a missing or locked file leaves them as they are.
void LLoadUsageCounters();
// Writes all entries to a temporary file beside the counters file and renames
// it over: a run killed meanwhile leaves the old file or the new, never a
// cut one.
void LSaveUsageCounters();
// Deletes the setting "SVar" and the counters file (new installation).
void LDeleteUsageCounters();
// Appends "&usage=<id, 4 hex digits><count up to 255, 2 hex digits>" of one
// entry picked at random among the leading entries with a count; nothing
// when there is none. Returns the text.
std::string LAppendUsageParam(std::string& text);
