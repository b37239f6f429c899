#pragma once
// The tagged element stream that effects store their parameters in. Every
// element is a 12-byte little-endian header {u16 id, u16 type, u64 length}
// followed by its data (type 1: one byte, type 2: four bytes) or, for a
// container (type 0), by its child elements. Lengths count the bytes after
// the header, children with their headers included. Ids are per level.

#include <cstddef>
#include <cstdint>
#include <vector>

enum : uint16_t {
    kTaggedContainer = 0,
    kTaggedByte = 1,
    kTaggedUInt32 = 2,
};

constexpr int64_t kTaggedHeaderSize = 12;

// Writes elements to a descriptor it does not own. Container lengths are
// patched when the container is closed, so the descriptor must be seekable.
// The first failure turns the writer's ok flag off; from then on every
// operation does nothing and reports false, and the caller checks IsOk() at
// the end.
class LTaggedWriter
{
public:
    explicit LTaggedWriter(int fd) : fd_(fd) {}

    bool IsOk() const { return ok_; }

    bool OpenElement(uint16_t id, uint16_t type);
    // Closes the innermost open element (id is only for the reader of the code).
    bool CloseElement(uint16_t id);
    bool WriteByte(uint16_t id, uint8_t value);
    bool WriteUInt32(uint16_t id, uint32_t value);
    // Raw bytes inside the open element.
    bool WriteBytes(const void* data, size_t n);

private:
    struct OpenEntry
    {
        uint16_t id;
        uint16_t type;
        int64_t dataStart;
    };
    bool WriteAll(const void* data, size_t n);

    int fd_;
    bool ok_ = true;
    std::vector<OpenEntry> open_;
};

class LTaggedElementIterator;

// Reads a tagged stream from a descriptor it does not own, with positioned
// reads, so iterators at different levels never disturb each other. A header
// that cannot be read, or an element that claims more bytes than its
// container (or the file) holds, marks the reader failed and ends iteration:
// a damaged stream is never half-believed.
class LTaggedReader
{
public:
    explicit LTaggedReader(int fd);
    // A stream that occupies [begin, end) of the descriptor.
    LTaggedReader(int fd, int64_t begin, int64_t end);

    bool IsFailed() const { return failed_; }
    void SetFailed() { failed_ = true; }

    // The top level of the stream.
    LTaggedElementIterator Elements();

    // Raw reads from the start of the stream onwards (for parameter blocks
    // stored without tags). Returns the bytes read.
    size_t ReadRaw(void* data, size_t n);

    // Positioned read used by the iterators; returns the bytes read.
    size_t ReadAt(int64_t offset, void* data, size_t n);

private:
    friend class LTaggedElementIterator;
    int fd_;
    int64_t begin_;
    int64_t end_;
    int64_t rawPosition_;
    bool failed_ = false;
};

class LTaggedElementIterator
{
public:
    LTaggedElementIterator(LTaggedReader& reader, int64_t begin, int64_t end)
        : reader_(&reader), next_(begin), end_(end)
    {
    }

    // Moves to the next element of this level; false at the end of the level
    // or once the reader has failed. Elements whose data were not read are
    // skipped.
    bool Next();

    uint16_t Id() const { return id_; }
    uint16_t Type() const { return type_; }
    uint64_t Length() const { return length_; }
    int64_t DataStart() const { return dataStart_; }

    // The children of the current element (none unless it is a container).
    LTaggedElementIterator Children();

    // The data of the current element; false (and the reader failed) when the
    // element is not of the matching type and size or the bytes cannot be read.
    bool ReadByte(uint8_t* value);
    bool ReadUInt32(uint32_t* value);

    LTaggedReader& Reader() { return *reader_; }

private:
    LTaggedReader* reader_;
    int64_t next_;
    int64_t end_;
    uint16_t id_ = 0;
    uint16_t type_ = 0;
    uint64_t length_ = 0;
    int64_t dataStart_ = 0;
};
