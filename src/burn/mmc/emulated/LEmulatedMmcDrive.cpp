#include "burn/mmc/emulated/LEmulatedMmcDrive.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace {

constexpr int kDriveBusy = 39;
constexpr uint32_t kBlock = 2048;

struct ProfileInfo
{
    const char* name;
    int number;
    uint32_t blocks;
};

// Capacities of ordinary blank discs of each kind.
constexpr ProfileInfo kProfiles[] = {
    {"cdr", 0x0009, 359847},     {"cdrw", 0x000A, 359847},   {"dvd-r", 0x0011, 2298496},
    {"dvd-rw", 0x0014, 2297888}, {"dvd+r", 0x001B, 2295104}, {"dvd+r-dl", 0x002B, 4173824},
    {"dvd+rw", 0x001A, 2295104}, {"bdr", 0x0041, 12219392},  {"bdre", 0x0043, 11826176},
    {"cdrom", 0x0008, 0},        {"none", 0x0000, 0},
};

void Put16(std::vector<uint8_t>& v, std::size_t at, uint32_t x)
{
    v[at] = uint8_t(x >> 8);
    v[at + 1] = uint8_t(x);
}

void Put32(std::vector<uint8_t>& v, std::size_t at, uint32_t x)
{
    v[at] = uint8_t(x >> 24);
    v[at + 1] = uint8_t(x >> 16);
    v[at + 2] = uint8_t(x >> 8);
    v[at + 3] = uint8_t(x);
}

uint32_t Get32(const uint8_t* p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

bool ParseNumber(const std::string& text, int64_t& out)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(text.c_str(), &end, 0);
    if (errno != 0 || *end != '\0' || value < 0)
        return false;
    out = value;
    return true;
}

bool ParseFault(const std::string& text, LEmulatedFaults& faults)
{
    std::vector<std::string> parts;
    std::stringstream stream(text);
    for (std::string part; std::getline(stream, part, ':');)
        parts.push_back(part);
    if (parts.empty())
        return false;
    const std::string& name = parts[0];
    int64_t a = 0, b = 0;
    if (name == "notready" && parts.size() == 2 && ParseNumber(parts[1], a))
        faults.notReady = uint32_t(a);
    else if (name == "change" && parts.size() == 2 && ParseNumber(parts[1], a))
        faults.changeAt = a;
    else if (name == "write-error" && (parts.size() == 2 || parts.size() == 3) && ParseNumber(parts[1], a) &&
             (parts.size() == 2 || ParseNumber(parts[2], b))) {
        faults.writeErrorLba = a;
        faults.writeErrorTimes = parts.size() == 3 ? uint32_t(b) : 1;
    } else if (name == "opc" && parts.size() == 1)
        faults.opc = true;
    else if (name == "short" && parts.size() == 3 && ParseNumber(parts[1], a) && ParseNumber(parts[2], b) &&
             a < 256) {
        faults.shortOpcode = int(a);
        faults.shortBytes = uint32_t(b);
    } else if (name == "timeout" && parts.size() == 2 && ParseNumber(parts[1], a) && a < 256)
        faults.timeoutOpcode = int(a);
    else if (name == "badsense" && parts.size() == 2 && ParseNumber(parts[1], a) && a < 256)
        faults.badSenseOpcode = int(a);
    else if (name == "toc" && parts.size() == 2 && ParseNumber(parts[1], a))
        faults.tocFailures = uint32_t(a);
    else if (name == "reject-streaming" && parts.size() == 1)
        faults.rejectStreaming = true;
    else if (name == "corrupt" && parts.size() == 2 && ParseNumber(parts[1], a))
        faults.corruptLba = a;
    else if (name == "busy" && parts.size() == 1)
        faults.busy = true;
    else
        return false;
    return true;
}

} // namespace

int LEmulatedMmcDrive::ProfileNumber(const std::string& name)
{
    for (const ProfileInfo& info : kProfiles)
        if (name == info.name)
            return info.number;
    return -1;
}

std::unique_ptr<LEmulatedMmcDrive> LEmulatedMmcDrive::Open(const std::string& description,
                                                           LBurnResult& result)
{
    result.Clear();
    std::vector<std::string> fields;
    std::stringstream stream(description);
    for (std::string field; std::getline(stream, field, ',');)
        fields.push_back(field);
    if (fields.empty() || fields[0].empty()) {
        result.Set(kBurnDriveMissing, "emulated drive: no image file given");
        return nullptr;
    }
    std::unique_ptr<LEmulatedMmcDrive> drive(new LEmulatedMmcDrive());
    drive->image_ = fields[0];
    std::string profileName;
    int64_t blocks = -1;
    for (std::size_t i = 1; i < fields.size(); ++i) {
        const std::string& field = fields[i];
        bool ok = false;
        if (field.rfind("profile=", 0) == 0) {
            profileName = field.substr(8);
            ok = ProfileNumber(profileName) >= 0;
        } else if (field.rfind("blocks=", 0) == 0) {
            ok = ParseNumber(field.substr(7), blocks) && blocks <= 0x7FFFFFFF;
        } else if (field.rfind("fail=", 0) == 0) {
            ok = ParseFault(field.substr(5), drive->faults);
        }
        if (!ok) {
            result.SetFormat(kBurnDriveMissing, "emulated drive: bad setting \"%s\"", field.c_str());
            return nullptr;
        }
    }
    if (drive->faults.busy) {
        result.SetFormat(kDriveBusy, "%s", drive->Name().c_str());
        return nullptr;
    }
    const bool newDisc = !profileName.empty();
    drive->fd_ = ::open(drive->image_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | (newDisc ? O_TRUNC : 0), 0644);
    if (drive->fd_ < 0) {
        result.SetFormat(kBurnDriveMissing, "%s: %s", drive->image_.c_str(), std::strerror(errno));
        return nullptr;
    }
    if (newDisc) {
        drive->profile = ProfileNumber(profileName);
        for (const ProfileInfo& info : kProfiles)
            if (info.number == drive->profile)
                drive->capacity = info.blocks;
        // A pressed disc is complete and holds nothing we could add to.
        drive->discStatus = drive->profile == 0x0008 ? 2 : 0;
    } else if (!drive->LoadState()) {
        drive->profile = 0;
    }
    if (blocks >= 0)
        drive->capacity = uint32_t(blocks);
    drive->page5_[0] = 0x05;
    drive->page5_[1] = 0x36;
    drive->writeErrorsLeft_ = drive->faults.writeErrorTimes;
    drive->SaveState();
    return drive;
}

LEmulatedMmcDrive::~LEmulatedMmcDrive()
{
    Close();
}

int LEmulatedMmcDrive::Open(LBurnResult& result)
{
    result.Clear();
    if (fd_ >= 0)
        return 0;
    if (faults.busy) {
        result.SetFormat(kDriveBusy, "%s", Name().c_str());
        return 2;
    }
    fd_ = ::open(image_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0) {
        result.SetFormat(kBurnDriveMissing, "%s: %s", image_.c_str(), std::strerror(errno));
        return 2;
    }
    LoadState();
    return 0;
}

void LEmulatedMmcDrive::Close()
{
    if (fd_ < 0)
        return;
    SaveState();
    ::close(fd_);
    fd_ = -1;
}

bool LEmulatedMmcDrive::LoadState()
{
    std::ifstream in(image_ + ".state");
    if (!in)
        return false;
    std::map<std::string, int64_t> values;
    for (std::string line; std::getline(in, line);) {
        const auto eq = line.find('=');
        int64_t value = 0;
        if (eq != std::string::npos && ParseNumber(line.substr(eq + 1), value))
            values[line.substr(0, eq)] = value;
    }
    profile = int(values["profile"]);
    capacity = uint32_t(values["capacity"]);
    nextWritable = uint32_t(values["next_writable"]);
    discStatus = uint8_t(values["status"] & 3);
    tracks = uint32_t(values["tracks"]);
    formatted = values["formatted"] != 0;
    return true;
}

void LEmulatedMmcDrive::SaveState() const
{
    std::ofstream out(image_ + ".state", std::ios::trunc);
    out << "profile=" << profile << "\ncapacity=" << capacity << "\nnext_writable=" << nextWritable
        << "\nstatus=" << int(discStatus) << "\ntracks=" << tracks << "\nformatted=" << (formatted ? 1 : 0)
        << "\n";
}

bool LEmulatedMmcDrive::Overwritable() const
{
    return profile == 0x001A || profile == 0x0043 || profile == 0x0013;
}

bool LEmulatedMmcDrive::Erasable() const
{
    return profile == 0x000A || profile == 0x0014 || profile == 0x0013 || Overwritable();
}

bool LEmulatedMmcDrive::Writable() const
{
    return profile != 0 && profile != 0x0008;
}

void LEmulatedMmcDrive::Check(LScsiReply& reply, uint8_t key, uint8_t asc, uint8_t ascq) const
{
    reply.status = LScsiReply::kCheckCondition;
    reply.scsiStatus = 0x02;
    std::memset(reply.sense, 0, sizeof reply.sense);
    reply.sense[0] = 0x70;
    reply.sense[2] = key;
    reply.sense[7] = 10;
    reply.sense[12] = asc;
    reply.sense[13] = ascq;
    reply.senseLength = 18;
}

void LEmulatedMmcDrive::Reply(LScsiReply& reply, uint8_t* data, uint32_t length,
                              const std::vector<uint8_t>& bytes) const
{
    const uint32_t n = std::min<uint32_t>(length, uint32_t(bytes.size()));
    if (data != nullptr && n > 0)
        std::memcpy(data, bytes.data(), n);
    reply.status = LScsiReply::kGood;
    reply.resid = length - n;
}

std::vector<uint8_t> LEmulatedMmcDrive::Configuration(uint16_t start, int type) const
{
    const bool cd = profile >= 0x08 && profile <= 0x0A;
    const bool bd = profile >= 0x40 && profile <= 0x43;
    const bool present = profile != 0;
    struct Feature
    {
        uint16_t code;
        bool current;
        std::vector<uint8_t> data;
    };
    std::vector<uint8_t> profiles;
    for (int number : {0x0043, 0x0041, 0x0040, 0x002B, 0x001B, 0x001A, 0x0014, 0x0013, 0x0011, 0x0010, 0x000A,
                       0x0009, 0x0008}) {
        profiles.push_back(uint8_t(number >> 8));
        profiles.push_back(uint8_t(number));
        profiles.push_back(number == profile ? 1 : 0);
        profiles.push_back(0);
    }
    const std::vector<Feature> features = {
        {0x0000, true, profiles},
        {0x0003, true, {0x29, 0, 0, 0}},
        {0x001F, present && !cd, {0, 0, 0, 0}},
        {0x0021, profile == 0x0014 || profile == 0x0011, {0, 1, 0, 0}},
        {0x002A, profile == 0x001A, {1, 0, 0, 0}},
        {0x002B, profile == 0x001B, {1, 0, 0, 0}},
        {0x002D, cd, {0x46, 0, 0, 0}},
        {0x002E, cd, {0x0E, 0, 0, 0}},
        {0x002F, profile == 0x0011 || profile == 0x0014, {0x02, 0, 0, 0}},
        {0x003B, profile == 0x002B, {1, 0, 0, 0}},
        {0x0040, bd, {0, 0, 0, 0}},
        {0x0041, profile == 0x0041 || profile == 0x0043, {0, 0, 0, 0}},
    };
    std::vector<uint8_t> out(8, 0);
    Put16(out, 6, uint32_t(profile));
    for (const Feature& feature : features) {
        if (absentFeatures.count(feature.code) != 0)
            continue;
        const bool wanted = type == 2   ? feature.code == start
                            : type == 1 ? feature.code >= start && feature.current
                                        : feature.code >= start;
        if (!wanted)
            continue;
        out.push_back(uint8_t(feature.code >> 8));
        out.push_back(uint8_t(feature.code));
        out.push_back(uint8_t((feature.code == 0 ? 0x02 : 0x00) | (feature.current ? 1 : 0)));
        out.push_back(uint8_t(feature.data.size()));
        out.insert(out.end(), feature.data.begin(), feature.data.end());
    }
    Put32(out, 0, uint32_t(out.size() - 4));
    return out;
}

std::vector<uint8_t> LEmulatedMmcDrive::ModePage(uint8_t page) const
{
    std::vector<uint8_t> body;
    switch (page) {
    case 0x05:
        body.assign(page5_, page5_ + sizeof page5_);
        break;
    case 0x08:
        body = {0x08, 0x0A, 0x04, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        break;
    case 0x1D:
        body = {0x1D, 0x0A, 0, 0, 0x08, 0, 0, 20, 0, 120, 0, 150};
        break;
    case 0x2A:
        body.assign(28, 0);
        body[0] = 0x2A;
        body[1] = 26;
        body[2] = 0x3F;
        body[3] = 0x13; // CD-R, CD-RW and DVD-R writing; no DVD-RAM
        break;
    default:
        return {};
    }
    std::vector<uint8_t> out(8, 0);
    out.insert(out.end(), body.begin(), body.end());
    Put16(out, 0, uint32_t(out.size() - 2));
    return out;
}

void LEmulatedMmcDrive::Execute(const uint8_t* cdb, uint8_t cdbLength, uint8_t* data, uint32_t length,
                                LScsiDirection direction, uint32_t timeoutMs, LScsiReply& reply)
{
    (void)timeoutMs;
    (void)direction;
    reply = LScsiReply{};
    reply.resid = length;
    if (fd_ < 0) {
        reply.status = LScsiReply::kTransportError;
        return;
    }
    if (cdbLength < 6) {
        Check(reply, 5, 0x20, 0);
        return;
    }
    const uint8_t op = cdb[0];
    ++commandCount;
    if (faults.timeoutOpcode == op) {
        reply.status = LScsiReply::kTimeout;
        return;
    }
    if (faults.badSenseOpcode == op) {
        reply.status = LScsiReply::kCheckCondition;
        std::memset(reply.sense, 0xFF, 4);
        reply.sense[0] = 0x05; // not a sense response code
        reply.senseLength = 4;
        return;
    }
    if (op != 0x12 && faults.notReady > 0) {
        --faults.notReady;
        Check(reply, 2, 0x04, 0x01);
        return;
    }
    if (faults.changeAt >= 0 && int64_t(commandCount) == faults.changeAt) {
        Check(reply, 6, 0x28, 0);
        return;
    }
    const bool noMedium = profile == 0 || trayOpen;
    auto finish = [&](const std::vector<uint8_t>& bytes) {
        Reply(reply, data, length, bytes);
        if (faults.shortOpcode == op && reply.resid < length - std::min(length, faults.shortBytes))
            reply.resid = length - std::min(length, faults.shortBytes);
    };
    switch (op) {
    case 0x12: { // INQUIRY
        std::vector<uint8_t> inquiry(36, ' ');
        inquiry[0] = 0x05;
        inquiry[1] = 0x80;
        inquiry[2] = 0x05;
        inquiry[3] = 0x02;
        inquiry[4] = 31;
        inquiry[5] = inquiry[6] = inquiry[7] = 0;
        std::memcpy(&inquiry[8], "QUORIN  ", 8);
        std::memcpy(&inquiry[16], "EMULATED MMC    ", 16);
        std::memcpy(&inquiry[32], "1.00", 4);
        finish(inquiry);
        return;
    }
    case 0x00: // TEST UNIT READY
        if (noMedium)
            Check(reply, 2, 0x3A, trayOpen ? 0x02 : 0x01);
        else
            reply.status = LScsiReply::kGood;
        return;
    case 0x1B: { // START STOP UNIT
        const bool loadEject = cdb[4] & 0x02;
        const bool start = cdb[4] & 0x01;
        if (loadEject && !start) {
            if (preventRemoval) {
                Check(reply, 5, 0x53, 0x02);
                return;
            }
            trayOpen = true;
        } else if (loadEject && start) {
            trayOpen = false;
        }
        reply.status = LScsiReply::kGood;
        return;
    }
    case 0x1E: // PREVENT ALLOW MEDIUM REMOVAL
        preventRemoval = (cdb[4] & 0x01) != 0;
        reply.status = LScsiReply::kGood;
        return;
    case 0x46: { // GET CONFIGURATION
        finish(Configuration(uint16_t((cdb[2] << 8) | cdb[3]), cdb[1] & 0x03));
        return;
    }
    case 0x5A: { // MODE SENSE(10)
        const std::vector<uint8_t> page = ModePage(cdb[2] & 0x3F);
        if (page.empty()) {
            Check(reply, 5, 0x24, 0);
            return;
        }
        finish(page);
        return;
    }
    case 0x55: { // MODE SELECT(10)
        const uint32_t n = (uint32_t(cdb[7]) << 8) | cdb[8];
        if (data == nullptr || n < 10 || length < n) {
            Check(reply, 5, 0x1A, 0);
            return;
        }
        // The mode data length is reserved in a select and PS must be clear.
        if (data[0] != 0 || data[1] != 0 || (data[8] & 0x80) != 0) {
            Check(reply, 5, 0x26, 0);
            return;
        }
        if ((data[8] & 0x3F) == 0x05)
            std::memcpy(page5_, data + 8, std::min<uint32_t>(sizeof page5_, n - 8));
        reply.status = LScsiReply::kGood;
        reply.resid = 0;
        return;
    }
    case 0xBD: // MECHANISM STATUS
        finish(std::vector<uint8_t>(8, 0));
        return;
    case 0xBB: // SET CD SPEED
    case 0xB6: // SET STREAMING
        reply.status = LScsiReply::kGood;
        reply.resid = 0;
        return;
    case 0xAC: { // GET PERFORMANCE
        const bool cd = profile >= 0x08 && profile <= 0x0A;
        const bool bd = profile >= 0x40;
        const uint32_t base = cd ? 1764 : bd ? 8990 : 5540;
        std::vector<uint8_t> out(8, 0);
        if (cdb[10] == 3) {
            for (uint32_t factor : {4u, 2u, 1u}) {
                std::vector<uint8_t> d(16, 0);
                Put32(d, 4, capacity);
                Put32(d, 8, base * 4);
                Put32(d, 12, base * factor);
                out.insert(out.end(), d.begin(), d.end());
            }
        } else {
            std::vector<uint8_t> d(16, 0);
            Put32(d, 4, base * 4);
            Put32(d, 8, capacity);
            Put32(d, 12, base * 4);
            out.insert(out.end(), d.begin(), d.end());
        }
        Put32(out, 0, uint32_t(out.size() - 4));
        finish(out);
        return;
    }
    default:
        break;
    }
    if (noMedium) {
        Check(reply, 2, 0x3A, trayOpen ? 0x02 : 0x01);
        return;
    }
    switch (op) {
    case 0x51: { // READ DISC INFORMATION
        std::vector<uint8_t> info(34, 0);
        Put16(info, 0, 32);
        const uint8_t session = discStatus == 2 ? 3 : discStatus == 1 ? 1 : 0;
        uint8_t status = discStatus;
        uint8_t background = 0;
        if (Overwritable()) {
            status = formatted ? 2 : 0;
            background = formatted ? 3 : 0;
        }
        info[2] = uint8_t((Erasable() ? 0x10 : 0) | ((Overwritable() ? (formatted ? 3 : 0) : session) << 2) |
                          status);
        info[3] = 1;
        info[4] = 1;
        info[5] = 1;
        info[6] = uint8_t(tracks + (discStatus == 2 ? 0 : 1));
        info[7] = background;
        finish(info);
        return;
    }
    case 0x52: { // READ TRACK INFORMATION
        std::vector<uint8_t> info(48, 0);
        Put16(info, 0, 46);
        const uint32_t open = tracks + 1;
        uint32_t asked = Get32(cdb + 2);
        if ((cdb[1] & 0x03) != 1) {
            Check(reply, 5, 0x24, 0);
            return;
        }
        if (asked == 0xFF)
            asked = open;
        if (asked == 0 || asked > open) {
            Check(reply, 5, 0x24, 0);
            return;
        }
        info[2] = uint8_t(asked);
        info[3] = 1;
        if (Overwritable()) {
            Put32(info, 8, 0);
            Put32(info, 12, 0);
            info[7] = 0x01;
            Put32(info, 16, capacity);
            Put32(info, 24, capacity);
        } else if (asked == open && discStatus != 2) {
            Put32(info, 8, nextWritable);
            Put32(info, 12, nextWritable);
            info[6] = 0x40; // blank
            info[7] = Writable() ? 0x01 : 0;
            Put32(info, 16, capacity > nextWritable ? capacity - nextWritable : 0);
            Put32(info, 24, capacity > nextWritable ? capacity - nextWritable : 0);
        } else {
            Put32(info, 8, 0);
            Put32(info, 24, nextWritable);
            Put32(info, 28, nextWritable > 0 ? nextWritable - 1 : 0);
        }
        finish(info);
        return;
    }
    case 0x25: { // READ CAPACITY
        std::vector<uint8_t> out(8, 0);
        const uint32_t blocks = Overwritable() && formatted ? capacity : nextWritable;
        Put32(out, 0, blocks > 0 ? blocks - 1 : 0);
        Put32(out, 4, kBlock);
        finish(out);
        return;
    }
    case 0x43: { // READ TOC/PMA/ATIP
        if ((cdb[2] & 0x0F) != 4 || !(profile == 0x09 || profile == 0x0A)) {
            Check(reply, 5, 0x24, 0);
            return;
        }
        std::vector<uint8_t> atip(28, 0);
        Put16(atip, 0, 26);
        const uint32_t frames = capacity + 150;
        atip[12] = uint8_t(frames / 4500);
        atip[13] = uint8_t(frames / 75 % 60);
        atip[14] = uint8_t(frames % 75);
        finish(atip);
        return;
    }
    case 0x23: { // READ FORMAT CAPACITIES
        std::vector<uint8_t> out(12, 0);
        out[3] = 8;
        Put32(out, 4, capacity);
        out[8] = formatted || !Overwritable() ? 0x02 : 0x01;
        out[9] = 0;
        out[10] = 0x08;
        finish(out);
        return;
    }
    case 0xAD: { // READ DVD STRUCTURE
        std::vector<uint8_t> out(2052, 0);
        Put16(out, 0, 2050);
        finish(out);
        return;
    }
    case 0x28: { // READ(10)
        const uint32_t lba = Get32(cdb + 2);
        const uint32_t count = (uint32_t(cdb[7]) << 8) | cdb[8];
        const uint32_t readable = Overwritable() ? (formatted ? capacity : 0) : nextWritable;
        if (uint64_t(lba) + count > readable || length < count * kBlock) {
            Check(reply, 5, 0x21, 0);
            return;
        }
        std::vector<uint8_t> bytes(size_t(count) * kBlock, 0);
        const ssize_t got = ::pread(fd_, bytes.data(), bytes.size(), off_t(lba) * kBlock);
        if (got < 0) {
            Check(reply, 3, 0x11, 0);
            return;
        }
        if (faults.corruptLba >= int64_t(lba) && faults.corruptLba < int64_t(lba) + count)
            bytes[size_t(faults.corruptLba - lba) * kBlock + 100] ^= 0x5A;
        finish(bytes);
        return;
    }
    case 0x2A:   // WRITE(10)
    case 0xAA: { // WRITE(12)
        const uint32_t lba = Get32(cdb + 2);
        const uint32_t count = op == 0x2A ? ((uint32_t(cdb[7]) << 8) | cdb[8]) : Get32(cdb + 6);
        // A drive that rejects the streaming write rejects the plain one too.
        if ((op == 0xAA || op == 0x2A) && faults.rejectStreaming) {
            Check(reply, 5, 0x24, 0);
            return;
        }
        if (faults.opc && !opcDone_) {
            opcDone_ = true;
            Check(reply, 3, 0x73, 0x03);
            return;
        }
        if (faults.tocFailures > 0) {
            --faults.tocFailures;
            Check(reply, 3, 0x57, 0);
            return;
        }
        if (!Writable() || (!Overwritable() && discStatus == 2) ||
            (Overwritable() && !formatted && lba != 0 && false)) {
            Check(reply, 5, 0x21, 0x02);
            return;
        }
        if (uint64_t(lba) + count > capacity) {
            Check(reply, 5, 0x21, 0);
            return;
        }
        if (!Overwritable() && lba != nextWritable) {
            Check(reply, 5, 0x21, 0x02);
            return;
        }
        if (data == nullptr || length < count * kBlock) {
            Check(reply, 5, 0x24, 0);
            return;
        }
        if (faults.writeErrorLba >= int64_t(lba) && faults.writeErrorLba < int64_t(lba) + count &&
            writeErrorsLeft_ > 0) {
            --writeErrorsLeft_;
            Check(reply, 3, 0x0C, 0);
            return;
        }
        if (::pwrite(fd_, data, size_t(count) * kBlock, off_t(lba) * kBlock) != ssize_t(count) * kBlock) {
            Check(reply, 3, 0x0C, 0);
            return;
        }
        for (uint32_t i = 0; i < count; ++i)
            writtenLbas.push_back(lba + i);
        if (Overwritable())
            formatted = true;
        else
            discStatus = 1;
        nextWritable = std::max(nextWritable, lba + count);
        reply.status = LScsiReply::kGood;
        reply.resid = 0;
        return;
    }
    case 0x35: // SYNCHRONIZE CACHE
        ::fdatasync(fd_);
        reply.status = LScsiReply::kGood;
        return;
    case 0x53: { // RESERVE TRACK
        if (faults.tocFailures > 0) {
            --faults.tocFailures;
            Check(reply, 3, 0x57, 0);
            return;
        }
        if (Overwritable() || !Writable() || discStatus == 2) {
            Check(reply, 5, 0x2C, 0);
            return;
        }
        reserved = Get32(cdb + 5);
        reply.status = LScsiReply::kGood;
        return;
    }
    case 0x5B: { // CLOSE TRACK/SESSION
        const uint8_t function = cdb[2] & 0x07;
        if (!Writable() || (!Overwritable() && discStatus == 2)) {
            Check(reply, 5, 0x2C, 0);
            return;
        }
        if (!Overwritable()) {
            if (function == 1) {
                if (nextWritable > 0)
                    tracks = std::max<uint32_t>(tracks, 1);
            } else {
                tracks = std::max<uint32_t>(tracks, 1);
                discStatus = 2;
            }
        }
        SaveState();
        reply.status = LScsiReply::kGood;
        return;
    }
    case 0xA1: // BLANK
        if (!Erasable() || Overwritable()) {
            Check(reply, 5, 0x30, 0x05);
            return;
        }
        if ((cdb[1] & 0x07) == 5) {
            // Unclose the last session: the disc becomes appendable again.
            if (discStatus == 2)
                discStatus = 1;
            SaveState();
            reply.status = LScsiReply::kGood;
            return;
        }
        nextWritable = 0;
        discStatus = 0;
        tracks = 0;
        if (::ftruncate(fd_, 0) != 0) {
            Check(reply, 3, 0x51, 0);
            return;
        }
        SaveState();
        reply.status = LScsiReply::kGood;
        return;
    case 0x04: // FORMAT UNIT
        // A sequential DVD-RW given a quick add-session or grow format
        // becomes a restricted-overwrite disc.
        if (profile == 0x0014 && data != nullptr && length >= 12 &&
            ((data[8] >> 2) == 0x15 || (data[8] >> 2) == 0x13)) {
            profile = 0x0013;
            discStatus = 0;
            tracks = 0;
        }
        if (!Overwritable()) {
            Check(reply, 5, 0x30, 0x05);
            return;
        }
        formatted = true;
        SaveState();
        reply.status = LScsiReply::kGood;
        reply.resid = 0;
        return;
    default:
        Check(reply, 5, 0x20, 0);
        return;
    }
}
