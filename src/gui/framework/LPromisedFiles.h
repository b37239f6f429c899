#pragma once
// Files another program only promises in a drag: it writes them into a
// private folder that the receiver names, and the receiver waits until they
// are complete, then leaves them there or moves them to a chosen folder.
// No program on this desktop drags such promises, so a fetch answers "not a
// promise"; the waiting and the moving are what a promise would use.

#include "foundation/threads/LProcessContext.h"
#include "gui/framework/LDragDrop.h"
#include "gui/framework/LProgressDialog.h"

#include <cstdint>
#include <string>
#include <vector>

struct LPromisedFile
{
    std::string path;
    int64_t size = 0;
};

// 0 files delivered into out, 1 cancelled, 2 not a promise drag or failure.
int LFetchPromisedFiles(const LDragInfo* info, bool dragMode, std::vector<std::string>* out);

// The path in folder for name that no entry uses yet: the name itself, or
// "stem_0.ext", "stem_1.ext", ... tried at most bound times; "" when all are
// taken.
std::string LUniqueNameInFolder(const std::string& folder, const std::string& name, unsigned bound = 10000);

// Rounds of the wait, one a second: entries of the folder that the writer
// no longer holds exclusively are listed with their sizes; when a round
// changes nothing and at least `expected` files are there, they are moved
// into destination (when not empty) under unique names. 0 done, 1 stopped
// (the private folder is then removed), 2 a move failed (the file keeps its
// place and path; the folder stays).
int LWaitForPromisedFiles(LProcessContext* context, const std::string& folder, const std::string& destination,
                          uint64_t expected, std::vector<LPromisedFile>* files, uint32_t roundMs = 1000);

// The wait under a progress dialog titled "Getting Files From Source
// Application".
class LPromisedFilesTask : public LProgressDialog
{
public:
    LPromisedFilesTask(std::string folder, std::string destination, uint64_t expected);
    int64_t Process() override;

    std::string folder;
    std::string destination;
    uint64_t expected;
    std::vector<LPromisedFile> files;
};
