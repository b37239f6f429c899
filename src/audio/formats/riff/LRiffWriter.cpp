#include "audio/formats/riff/LRiffWriter.h"

#include "audio/formats/LAudioFileIo.h"
#include "foundation/files/LFileSystem.h"

#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <vector>

namespace {

bool IdEquals(const char* a, const char* b)
{
    return std::memcmp(a, b, 4) == 0;
}

uint32_t ItemBytes(size_t length)
{
    return static_cast<uint32_t>(8 + LRiffEvenSize(static_cast<uint32_t>(length + 1)));
}

} // namespace

LRiffWriter::LRiffWriter(const char* path, const char (*ownIds)[5], int ownCount, const LStringMap& tags)
    : cursor_(-1, "RIFF", "WAVE"), tags_(tags)
{
    if (ownCount < 0 || !ownIds)
        ownCount = 0;
    wantedCount_ = ownCount + 2;
    wanted_ = new char[wantedCount_][5];
    if (ownCount)
        std::memcpy(wanted_, ownIds, static_cast<size_t>(ownCount) * 5);
    std::memcpy(wanted_[ownCount], "LIST", 5);
    std::memcpy(wanted_[ownCount + 1], "CSET", 5);
    // An existing file only: a rewrite must never leave an empty file behind.
    int fd = path ? open(path, O_RDWR | O_CLOEXEC) : -1;
    if (fd >= 0 && !LFileLockWait(fd, LOCK_EX | LOCK_NB, 1000)) {
        close(fd); // someone is using it (a recording, another rewrite): leave it alone
        fd = -1;
    }
    fd_ = fd;
    cursor_.fd = fd_;
}

LRiffWriter::~LRiffWriter()
{
    delete[] wanted_;
    infoItems_.Clear();
    if (fd_ >= 0)
        close(fd_);
}

// ---- default subclass operations: INFO and CSET only ----

bool LRiffWriter::IsComplete()
{
    return csetWritten_ && (infoWritten_ || !HasInfoItems());
}

void LRiffWriter::InfoIdForKey(const char*, char id[4])
{
    std::memcpy(id, "    ", 4);
}

void LRiffWriter::OnInfoItem(const char*, const char*) {}

bool LRiffWriter::ReplacesChunk(const LRiffChunkHeader&)
{
    return false;
}

bool LRiffWriter::RemovesChunk(const LRiffChunkHeader&)
{
    return false;
}

bool LRiffWriter::WriteOwnChunk(const char*)
{
    return false;
}

uint32_t LRiffWriter::OwnChunkSize(const char*, bool& skip, bool)
{
    skip = true;
    return 0;
}

int64_t LRiffWriter::WriteRemainingChunks()
{
    return 0;
}

bool LRiffWriter::AcceptsInfoKey(const char*)
{
    return true;
}

void LRiffWriter::PrepareInfo() {}

bool LRiffWriter::HasInfoItems()
{
    return infoItems_.Count() > 0;
}

// ---- INFO items ----

void LRiffWriter::CollectInfoTags()
{
    PrepareInfo();
    if (codePage_ != 65001)
        return;
    infoItems_.Clear();
    infoPayloadSize_ = 4;
    for (LStringMap::Iterator it = tags_.Begin(); !it.AtEnd(); it.Next()) {
        const char* key = it.Key();
        const char* value = it.Value();
        if (*key == '\0' || *value == '\0' || !AcceptsInfoKey(key))
            continue;
        AddInfoItem(key, value);
        OnInfoItem(key, value);
    }
}

void LRiffWriter::AddInfoItem(const char* key, const char* text)
{
    char id[4];
    InfoIdForKey(key, id);
    if (IdEquals(id, "    "))
        return;
    size_t length = std::strlen(text);
    // The item size field is 32-bit and the whole list must fit one chunk.
    if (length > 0x7FFFFFF0u || infoPayloadSize_ + uint64_t{ItemBytes(length)} > 0x7FFFFFF0u)
        return;
    LRiffTagNode* node = infoItems_.Add(key, text, length);
    std::memcpy(node->infoId, id, 4);
    infoPayloadSize_ += ItemBytes(length);
}

// ---- walking and blanking ----

template <typename Visit> void LRiffWriter::ForEachChunk(Visit visit)
{
    if (fd_ < 0 || lseek(fd_, 0, SEEK_SET) != 0)
        return;
    const int64_t fileSize = LDescriptorSize(fd_);
    while (LDescriptorOffset(fd_) + 12 <= fileSize) {
        int64_t before = LDescriptorOffset(fd_);
        LRiffListHeader form;
        if (!cursor_.FindForm(form)) {
            if (LDescriptorOffset(fd_) <= before)
                return;
            continue;
        }
        const int64_t end = cursor_.end < fileSize ? cursor_.end : fileSize;
        int64_t at = cursor_.start + 12;
        while (at + 8 <= end) {
            uint8_t h[8];
            if (LPreadFully(fd_, h, 8, at) != 8)
                return;
            LRiffChunkHeader header;
            std::memcpy(header.id, h, 4);
            header.size = LGetLe32(h + 4);
            // A size claiming more than the file holds is cut to what is there.
            if (at + 8 + int64_t{header.size} > fileSize)
                header.size = static_cast<uint32_t>(fileSize - at - 8);
            if (!visit(at, header))
                return;
            at += 8 + LRiffEvenSize(header.size);
        }
        if (lseek(fd_, cursor_.end, SEEK_SET) < 0)
            return;
    }
}

bool LRiffWriter::BlankOldChunks()
{
    const LRiffIdList ids{wanted_, wantedCount_};
    const int64_t fileSize = LDescriptorSize(fd_);
    ForEachChunk([&](int64_t at, const LRiffChunkHeader& header) {
        if (!ids.Contains(header.id))
            return true;
        bool blank = false;
        if (IdEquals(header.id, "CSET")) {
            blank = true;
        } else if (IdEquals(header.id, "LIST")) {
            char form[4];
            blank = header.size >= 4 && LPreadFully(fd_, form, 4, at + 8) == 4 && IdEquals(form, "INFO");
        } else {
            visitOffset_ = at;
            blank = ReplacesChunk(header) || RemovesChunk(header);
        }
        if (!blank)
            return true;
        uint8_t h[8] = {'J', 'U', 'N', 'K'};
        LPutLe32(h + 4, header.size);
        if (!LPwriteFully(fd_, h, 8, at))
            return false;
        static const uint8_t zeros[1024] = {};
        int64_t payload = LRiffEvenSize(header.size);
        if (at + 8 + payload > fileSize)
            payload = fileSize - at - 8; // never grow the file here
        for (int64_t done = 0; done < payload;) {
            int64_t n = payload - done < 1024 ? payload - done : 1024;
            if (!LPwriteFully(fd_, zeros, static_cast<size_t>(n), at + 8 + done))
                return false;
            done += n;
        }
        return true;
    });
    MergeJunkChunks();
    return true;
}

void LRiffWriter::MergeJunkChunks()
{
    int64_t runStart = -1;
    uint64_t runSize = 0;
    auto closeRun = [&]() {
        if (runStart >= 0) {
            uint8_t size[4];
            LPutLe32(size, static_cast<uint32_t>(runSize));
            LPwriteFully(fd_, size, 4, runStart + 4);
        }
        runStart = -1;
    };
    int64_t lastContainer = -1;
    ForEachChunk([&](int64_t at, const LRiffChunkHeader& header) {
        if (cursor_.start != lastContainer) {
            closeRun(); // runs never cross containers
            lastContainer = cursor_.start;
        }
        if (!IdEquals(header.id, "JUNK")) {
            closeRun();
            return true;
        }
        const uint64_t even = static_cast<uint64_t>(LRiffEvenSize(header.size));
        if (runStart < 0 || runSize + 8 + even > 0xFFFFFFFEu) {
            closeRun();
            runStart = at;
            runSize = even;
            return true;
        }
        static const uint8_t zeros[8] = {};
        LPwriteFully(fd_, zeros, 8, at);
        runSize += 8 + even;
        return true;
    });
    closeRun();
}

// ---- placing chunks ----

bool LRiffWriter::TryWriteInPlace(uint32_t space, bool allowFiller)
{
    const int64_t at = LDescriptorOffset(fd_);
    for (int i = 0; i < wantedCount_; ++i) {
        if (lseek(fd_, at, SEEK_SET) != at)
            return false;
        if (TryChunkInSpace(wanted_[i], space, allowFiller))
            return true;
    }
    lseek(fd_, at, SEEK_SET);
    return false;
}

bool LRiffWriter::TryChunkInSpace(const char id[4], uint32_t space, bool allowFiller)
{
    uint32_t size;
    if (IdEquals(id, "CSET")) {
        if (csetWritten_)
            return false;
        size = 8;
    } else if (IdEquals(id, "LIST")) {
        if (!HasInfoItems() || infoWritten_)
            return false;
        size = infoPayloadSize_;
    } else {
        bool skip = false;
        size = OwnChunkSize(id, skip, allowFiller);
        if (skip)
            return false;
    }
    const uint64_t n = static_cast<uint64_t>(LRiffEvenSize(size));
    if (!allowFiller) {
        if (n != space)
            return false;
        return WritePendingChunk(id, false, 0);
    }
    if (n + 8 > space)
        return false;
    return WritePendingChunk(id, true, static_cast<uint32_t>(space - n - 8));
}

bool LRiffWriter::WritePendingChunk(const char id[4], bool withFiller, uint32_t fillerSize)
{
    bool ok;
    if (IdEquals(id, "CSET")) {
        if (csetWritten_)
            return false;
        ok = WriteCodePageChunk();
    } else if (IdEquals(id, "LIST")) {
        ok = WriteInfoList();
    } else {
        ok = WriteOwnChunk(id);
    }
    if (!ok)
        return false;
    if (withFiller) {
        LRiffChunkHeader junk;
        std::memcpy(junk.id, "JUNK", 4);
        junk.size = fillerSize;
        const int64_t at = LDescriptorOffset(fd_);
        if (!WriteChunkHeader(junk))
            return false;
        lseek(fd_, at, SEEK_SET);
    }
    return true;
}

bool LRiffWriter::WriteCodePageChunk()
{
    uint8_t chunk[16] = {'C', 'S', 'E', 'T', 8, 0, 0, 0};
    LPutLe16(chunk + 8, codePage_); // code page, then country, language and dialect 0
    if (!LWriteFully(fd_, chunk, sizeof chunk)) {
        MoveToEnd();
        return false;
    }
    csetWritten_ = true;
    return true;
}

void LRiffWriter::TrimTrailingJunk()
{
    const int64_t fileSize = LDescriptorSize(fd_);
    int64_t cut = -1;
    ForEachChunk([&](int64_t at, const LRiffChunkHeader& header) {
        if (IdEquals(header.id, "JUNK") && fileSize - at <= 8 + LRiffEvenSize(header.size)) {
            cut = at;
            return false;
        }
        return true;
    });
    if (cut >= 0 && ftruncate(fd_, cut) == 0)
        PatchRiffSize();
}

void LRiffWriter::FixCutShortChunks()
{
    ForEachChunk([&](int64_t at, const LRiffChunkHeader& header) {
        // The walk hands over sizes already cut to the file; the field may say more.
        uint8_t field[4];
        if (LPreadFully(fd_, field, 4, at + 4) != 4)
            return false;
        if (LGetLe32(field) != header.size) {
            LPutLe32(field, header.size);
            if (!LPwriteFully(fd_, field, 4, at + 4))
                return false;
        }
        return true;
    });
}

bool LRiffWriter::AppendChunks(int64_t trailingSize)
{
    if (fd_ < 0)
        return false;
    FixCutShortChunks();
    int64_t fileSize = LDescriptorSize(fd_);
    if (fileSize < 0)
        return false;
    int64_t at = fileSize - trailingSize;
    // Chunks start on even offsets: a file whose last chunk lacks its pad byte gets one first.
    if (trailingSize == 0 && (at & 1)) {
        const uint8_t pad = 0;
        if (!LPwriteFully(fd_, &pad, 1, at))
            return false;
        ++at;
    }
    if (lseek(fd_, at, SEEK_SET) != at)
        return false;
    int64_t total = 0;
    bool ok = true;
    if (!csetWritten_) {
        ok = WriteCodePageChunk() && ok;
        if (csetWritten_)
            total += 16;
    }
    if (HasInfoItems() && !infoWritten_) {
        ok = WriteInfoList() && ok;
        if (infoWritten_)
            total += 8 + infoPayloadSize_;
    }
    int64_t own = WriteRemainingChunks();
    if (own < 0)
        ok = false;
    else
        total += own;
    if (total != trailingSize) {
        if (total < trailingSize) {
            const int64_t end = LDescriptorOffset(fd_);
            if (ftruncate(fd_, end) != 0)
                ok = false;
        }
        ok = PatchRiffSize() && ok;
    }
    return ok && IsComplete();
}

bool LRiffWriter::PatchRiffSize()
{
    if (fd_ < 0)
        return false;
    const int64_t size = LDescriptorSize(fd_);
    uint8_t h[12] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    LPutLe32(h + 4, size < 8 || size >= 0x100000000LL ? 0xFFFFFFFEu : static_cast<uint32_t>(size - 8));
    return LPwriteFully(fd_, h, sizeof h, cursor_.start);
}

// ---- writes at the current position ----

void LRiffWriter::MoveToEnd()
{
    if (fd_ >= 0)
        lseek(fd_, 0, SEEK_END);
}

bool LRiffWriter::WriteChunkHeader(const LRiffChunkHeader& header)
{
    uint8_t h[8];
    std::memcpy(h, header.id, 4);
    LPutLe32(h + 4, header.size);
    if (!LWriteFully(fd_, h, 8)) {
        MoveToEnd();
        return false;
    }
    return true;
}

bool LRiffWriter::WriteListHeader(const LRiffListHeader& header)
{
    uint8_t h[12];
    std::memcpy(h, header.id, 4);
    LPutLe32(h + 4, header.size);
    std::memcpy(h + 8, header.formType, 4);
    if (!LWriteFully(fd_, h, 12)) {
        MoveToEnd();
        return false;
    }
    return true;
}

bool LRiffWriter::WriteChunk(const LRiffChunkHeader& header, const void* payload, uint32_t length)
{
    if (!WriteChunkHeader(header))
        return false;
    const uint8_t pad = 0;
    if (!LWriteFully(fd_, payload, length) || ((length & 1) && !LWriteFully(fd_, &pad, 1))) {
        MoveToEnd();
        return false;
    }
    return true;
}

bool LRiffWriter::WriteInfoList()
{
    LRiffListHeader list{{'L', 'I', 'S', 'T'}, infoPayloadSize_, {'I', 'N', 'F', 'O'}};
    std::vector<uint8_t> bytes;
    bytes.reserve(infoPayloadSize_ + 8);
    // The list holds the newest item first; write them in the order they were added.
    std::vector<const LRiffTagNode*> items;
    for (const LRiffTagNode* node = infoItems_.Head(); node; node = node->next)
        items.push_back(node);
    for (auto it = items.rbegin(); it != items.rend(); ++it) {
        const LRiffTagNode* node = *it;
        const uint32_t size = static_cast<uint32_t>(node->value.size() + 1);
        uint8_t h[8];
        std::memcpy(h, node->infoId, 4);
        LPutLe32(h + 4, size);
        bytes.insert(bytes.end(), h, h + 8);
        bytes.insert(bytes.end(), node->value.c_str(), node->value.c_str() + size);
        if (size & 1)
            bytes.push_back(0);
    }
    if (!WriteListHeader(list))
        return false;
    if (!LWriteFully(fd_, bytes.data(), bytes.size())) {
        MoveToEnd();
        return false;
    }
    infoWritten_ = true;
    return true;
}

// ---- the whole rewrite ----

bool LRiffWriter::Rewrite()
{
    if (fd_ < 0)
        return false;
    // Only a RIFF/WAVE container is ours to change: RF64 and BW64 keep their
    // sizes in "ds64", and anything else is not a WAV file at all.
    bool wave = false;
    ForEachChunk([&](int64_t, const LRiffChunkHeader&) {
        wave = true;
        return false;
    });
    if (!wave)
        return false;
    CollectInfoTags();
    BlankOldChunks();
    // Fill junk space, first exactly, then with a filler left behind.
    int64_t trailing = 0;
    bool done = false;
    const int64_t fileSize = LDescriptorSize(fd_);
    std::vector<std::pair<int64_t, uint32_t>> junk;
    ForEachChunk([&](int64_t at, const LRiffChunkHeader& header) {
        if (IdEquals(header.id, "JUNK"))
            junk.emplace_back(at, header.size);
        return true;
    });
    for (size_t i = 0; i < junk.size() && !done; ++i) {
        int64_t at = junk[i].first;
        uint32_t size = junk[i].second;
        for (;;) {
            const uint32_t space = static_cast<uint32_t>(LRiffEvenSize(size));
            if (lseek(fd_, at, SEEK_SET) != at)
                break;
            bool placed = TryWriteInPlace(space, false);
            bool filler = false;
            if (!placed) {
                lseek(fd_, at, SEEK_SET);
                placed = TryWriteInPlace(space, true);
                filler = placed;
            }
            if (!placed) {
                if (fileSize - at <= 8 + int64_t{space})
                    trailing = 8 + int64_t{space};
                break;
            }
            if (IsComplete()) {
                TrimTrailingJunk();
                done = true;
                break;
            }
            if (!filler)
                break;
            // The filler left behind is junk space of its own: try it too.
            at = LDescriptorOffset(fd_);
            uint8_t h[8];
            if (LPreadFully(fd_, h, 8, at) != 8)
                break;
            size = LGetLe32(h + 4);
        }
    }
    if (done)
        return true;
    return AppendChunks(trailing);
}
