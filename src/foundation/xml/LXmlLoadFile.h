#pragma once
// Reads an XML file into a document tree.

class LProcessContext;
class LXmlNode;

// Results of LXmlLoadFile.
enum : int {
    kXmlLoadDone = 0,
    kXmlLoadCancelled = 1,
    kXmlLoadFailed = 2,
};

// Loads `path` into `document` (a nameless node; its old children are freed).
// 2 with a message in `error` when the file is missing, too large for the
// memory left, or unreadable; 1 when `cancel` asked to stop; otherwise 0, and
// `error` then holds the first parse error, if any ("" when the text was
// well-formed), which callers treat as a failed parse.
int LXmlLoadFile(LXmlNode* document, LProcessContext* cancel, const char* path, char error[260]);
