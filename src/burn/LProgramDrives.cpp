#include "burn/LProgramDrives.h"

#include "burn/LBurnOptions.h"
#include "burn/LDiscServices.h"
#include "burn/LMediaProfileTable.h"
#include "burn/LMediaType.h"
#include "burn/LOpticalDriveNumbering.h"
#include "burn/mmc/LDriveCapabilities.h"
#include "burn/mmc/LMmcCommands.h"
#include "burn/mmc/LMmcDisc.h"
#include "burn/mmc/LSgIoTransport.h"
#include "burn/mmc/emulated/LEmulatedMmcDrive.h"
#include "foundation/log/LLog.h"
#include "foundation/threads/LLocalProcessContext.h"

#include <cstdlib>
#include <cstring>
#include <mutex>

namespace {

constexpr const char* kAddressPrefix = "drive:";

bool Overwritable(uint32_t media)
{
    return media == kMediaDvdPlusRw || media == kMediaDvdRam || media == kMediaBdRe ||
           media == kMediaHdDvdRam;
}

// An emulated MMC drive seen through the drive-services interface: the disc
// state, capacity and erase come from the same MMC commands the data-disc
// burn uses. Audio tracks are refused: the audio-CD engine needs libburn.
class LMmcBurnDrive : public LBurnDrive
{
public:
    explicit LMmcBurnDrive(std::unique_ptr<LScsiDevice> device) : device_(std::move(device)) { Look(); }

    ~LMmcBurnDrive() override
    {
        if (eject_)
            LMmcLoadOrEject(context_, *device_, false);
        device_->Close();
    }

    LBurnDriveIdentity Identity() override
    {
        LBurnDriveIdentity id;
        id.vendor = "QUORIN";
        id.product = "Emulated Writer";
        id.writeCd = caps_.cdWrite;
        id.writeCdSao = caps_.cdSao;
        id.writeDvd = caps_.dvdRWrite || caps_.dvdRwWrite || caps_.dvdPlusRWrite || caps_.dvdPlusRwWrite;
        id.writeDvdPlusR = caps_.dvdPlusRWrite;
        id.writeDvdRam = caps_.dvdRamWrite;
        id.writeBd = caps_.bdWrite;
        id.writeHdDvd = caps_.hdDvdWrite;
        id.maxWriteSpeed = caps_.maxWriteSpeed;
        return id;
    }
    LBurnDiscStatus DiscStatus() override { return status_; }
    bool IsErasable() override { return erasable_; }
    int Profile(std::string* name) override
    {
        if (name)
            *name = LMediaTypeName(media_);
        return status_ == LBurnDiscStatus::Unready ? 0 : profile_;
    }
    int64_t FreeBlocks() override { return freeBlocks_; }
    int64_t UsedBlocks() override { return usedBlocks_; }
    std::vector<uint32_t> WriteSpeeds() override
    {
        return status_ == LBurnDiscStatus::Unready ? std::vector<uint32_t>{} : caps_.writeSpeeds;
    }
    bool Reassess() override { return Look(); }

    bool StartErase(bool fast) override
    {
        LBurnResult result;
        LMmcEraseDisc(result, context_, *device_, media_, fast ? 1 : 0);
        wroteWell_ = result.Ok();
        if (!wroteWell_) {
            char text[1200];
            result.Describe(text, sizeof text);
            message_ = text;
        }
        Look();
        return true;
    }
    bool StartWrite(const LBurnWriteRequest&) override
    {
        message_ = "This drive takes data discs only";
        return false;
    }
    LBurnDriveActivity Activity(LBurnProgressInfo*) override { return LBurnDriveActivity::Idle; }
    void Cancel() override {}
    bool WroteWell() override { return wroteWell_; }
    void FinishWrite() override {}
    std::string LastMessage() override { return message_; }
    bool Eject() override
    {
        eject_ = true;
        return true;
    }

    bool Opened() const { return opened_; }
    const std::string& OpenMessage() const { return message_; }

private:
    bool Look()
    {
        LBurnResult result;
        if (!device_->IsOpen() && device_->Open(context_, result) != 0) {
            char text[1200];
            result.Describe(text, sizeof text);
            message_ = text;
            opened_ = false;
            return false;
        }
        opened_ = true;
        status_ = LBurnDiscStatus::Unready;
        freeBlocks_ = usedBlocks_ = 0;
        erasable_ = false;
        media_ = kMediaNoDisc;
        profile_ = 0;
        LMmcGetDriveCapabilities(result, context_, *device_, caps_);
        result.Clear();
        LMmcWaitOptions wait;
        wait.budgetMs = 2000;
        LMmcWaitUnitReady(result, context_, *device_, wait);
        if (!result.Ok())
            return result.code != kBurnDriveMissing;
        LMmcIdentifyMedia(result, context_, *device_, media_, &profile_);
        if (!result.Ok() || media_ == kMediaNoDisc)
            return true;
        LMmcDiscInfo disc;
        LMmcReadDiscInformation(result, context_, *device_, disc);
        if (!result.Ok())
            return true;
        usedBlocks_ = LMmcGetExistingSessionSize(context_, *device_, media_, false);
        erasable_ = disc.Erasable() || Overwritable(media_);
        if (Overwritable(media_))
            status_ = usedBlocks_ == 0 ? LBurnDiscStatus::Blank : LBurnDiscStatus::Full;
        else if (disc.Status() == 0)
            status_ = LBurnDiscStatus::Blank;
        else if (disc.Status() == 1)
            status_ = LBurnDiscStatus::Appendable;
        else
            status_ = LBurnDiscStatus::Full;
        if (status_ == LBurnDiscStatus::Full && !Overwritable(media_))
            return true;
        uint32_t blocks = 0;
        result.Clear();
        LMmcGetWritableBlocks(result, context_, *device_, disc, media_, blocks);
        if (result.Ok())
            freeBlocks_ = Overwritable(media_) ? std::max<int64_t>(0, int64_t(blocks) - usedBlocks_) : blocks;
        return true;
    }

    std::unique_ptr<LScsiDevice> device_;
    LLocalProcessContext context_;
    LDriveCapabilities caps_;
    LBurnDiscStatus status_ = LBurnDiscStatus::Unready;
    uint32_t media_ = kMediaNoDisc;
    int profile_ = 0;
    int64_t freeBlocks_ = 0;
    int64_t usedBlocks_ = 0;
    bool erasable_ = false;
    bool wroteWell_ = true;
    bool eject_ = false;
    bool opened_ = false;
    std::string message_;
};

std::vector<std::string> SplitOn(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            return parts;
        start = end + 1;
    }
}

} // namespace

std::unique_ptr<LDriveSpecBackend> LDriveSpecBackend::Create(const std::string& specs, std::string* error)
{
    std::unique_ptr<LDriveSpecBackend> backend(new LDriveSpecBackend());
    std::vector<LFakeBurnDriveScript> scripts;
    for (const std::string& spec : SplitOn(specs, ';')) {
        if (spec.empty())
            continue;
        Entry entry;
        if (spec.rfind("fake:", 0) == 0) {
            LFakeBurnDriveScript script;
            if (!LParseFakeBurnDrive(spec.c_str() + 5, script)) {
                if (error)
                    *error = "bad fake drive \"" + spec + "\"";
                return nullptr;
            }
            entry.fake = true;
            entry.fakeIndex = scripts.size();
            scripts.push_back(script);
        } else if (spec.rfind("emulated:", 0) == 0 && spec.size() > 9) {
            entry.emulated = spec.substr(9);
        } else {
            if (error)
                *error = "bad drive \"" + spec + "\" (fake:... or emulated:FILE.img,...)";
            return nullptr;
        }
        backend->entries_.push_back(entry);
    }
    backend->fakes_ = std::make_unique<LFakeBurnBackend>(std::move(scripts));
    return backend;
}

LDriveSpecBackend::~LDriveSpecBackend() = default;

std::vector<std::string> LDriveSpecBackend::DriveAddresses()
{
    std::vector<std::string> addresses;
    for (size_t i = 0; i < entries_.size(); ++i)
        addresses.push_back(kAddressPrefix + std::to_string(i));
    return addresses;
}

std::string LDriveSpecBackend::EmulatedDescription(Entry& entry)
{
    if (!entry.inserted) {
        entry.inserted = true;
        return entry.emulated;
    }
    // The disc is in the drive now: naming its kind again would put a new
    // blank one in its place.
    std::string kept;
    for (const std::string& part : SplitOn(entry.emulated, ',')) {
        if (part.rfind("profile=", 0) == 0 || part.rfind("blocks=", 0) == 0)
            continue;
        kept += (kept.empty() ? "" : ",") + part;
    }
    return kept;
}

std::unique_ptr<LBurnDrive> LDriveSpecBackend::Grab(const std::string& address, std::string* message)
{
    const size_t prefix = std::strlen(kAddressPrefix);
    size_t index = entries_.size();
    if (address.compare(0, prefix, kAddressPrefix) == 0)
        index = std::strtoul(address.c_str() + prefix, nullptr, 10);
    if (index >= entries_.size()) {
        if (message)
            *message = "No such drive: " + address;
        return nullptr;
    }
    Entry& entry = entries_[index];
    if (entry.fake)
        return fakes_->Grab("fake:" + std::to_string(entry.fakeIndex), message);
    LBurnResult result;
    std::unique_ptr<LEmulatedMmcDrive> transport =
        LEmulatedMmcDrive::Open(EmulatedDescription(entry), result);
    if (!transport) {
        if (message) {
            char text[1200];
            result.Describe(text, sizeof text);
            *message = text;
        }
        return nullptr;
    }
    auto drive = std::make_unique<LMmcBurnDrive>(std::make_unique<LScsiDevice>(std::move(transport)));
    if (!drive->Opened()) {
        if (message)
            *message = drive->OpenMessage();
        return nullptr;
    }
    return drive;
}

std::unique_ptr<LScsiDevice> LDriveSpecBackend::OpenScsi(uint32_t index, LBurnResult& result)
{
    if (index >= entries_.size()) {
        result.Set(kBurnDriveMissing);
        return nullptr;
    }
    Entry& entry = entries_[index];
    if (entry.fake) {
        result.Set(43, "This drive writes audio CDs only");
        return nullptr;
    }
    std::unique_ptr<LEmulatedMmcDrive> transport =
        LEmulatedMmcDrive::Open(EmulatedDescription(entry), result);
    if (!transport)
        return nullptr;
    // The burn opens the device itself.
    transport->Close();
    return std::make_unique<LScsiDevice>(std::move(transport));
}

namespace {

struct ProgramDrives
{
    std::mutex lock;
    bool loaded = false;
    std::unique_ptr<LDriveSpecBackend> specs;
};

ProgramDrives& Drives()
{
    static ProgramDrives drives;
    std::lock_guard<std::mutex> hold(drives.lock);
    if (!drives.loaded) {
        drives.loaded = true;
        const char* text = std::getenv("QUORIN_DRIVES");
        if (text != nullptr) {
            std::string error;
            drives.specs = LDriveSpecBackend::Create(text, &error);
            if (!drives.specs) {
                LLogErrorF("QUORIN_DRIVES: %s", error.c_str());
                drives.specs = LDriveSpecBackend::Create("", nullptr);
            }
        }
    }
    return drives;
}

} // namespace

void LReloadProgramDrives()
{
    ProgramDrives& drives = Drives();
    std::lock_guard<std::mutex> hold(drives.lock);
    drives.specs.reset();
    drives.loaded = false;
}

LDriveSpecBackend* LProgramDriveSpecs()
{
    return Drives().specs.get();
}

LBurnBackend& LProgramBurnBackend()
{
    if (LDriveSpecBackend* specs = LProgramDriveSpecs())
        return *specs;
    return LGetLibburnBackend();
}

std::unique_ptr<LScsiDevice> LOpenProgramDataDrive(uint32_t index, LBurnResult& result)
{
    result.Clear();
    if (index == kBurnNoDrive) {
        result.Set(kBurnDriveMissing);
        return nullptr;
    }
    if (LDriveSpecBackend* specs = LProgramDriveSpecs())
        return specs->OpenScsi(index, result);
    const std::vector<std::string> paths = LListOpticalDrivePaths();
    if (index >= paths.size()) {
        result.Set(kBurnDriveMissing);
        return nullptr;
    }
    std::unique_ptr<LScsiTransport> transport = LSgIoTransport::Open(paths[index], result);
    if (!transport)
        return nullptr;
    transport->Close();
    return std::make_unique<LScsiDevice>(std::move(transport));
}

void LInstallProgramDriveScan()
{
    LSetBurnDriveScan([] {
        LLocalProcessContext context;
        LBurnDriveList list;
        std::vector<bool> cd;
        if (LScanBurnDrives(&context, LProgramBurnBackend(), list) == 0)
            for (uint32_t i = 0; i < list.count; ++i)
                cd.push_back(list.drives[i].canWriteCd);
        return cd;
    });
}

std::string LGetDiscDeviceName(LBurnDrive& drive)
{
    const LBurnDriveIdentity id = drive.Identity();
    char text[260];
    LBurnCopyText(text, sizeof text, id.vendor.c_str());
    std::string name = text;
    if (name.size() < 252) {
        name += " " + id.product;
        LBurnCopyText(text, sizeof text, name.c_str());
        name = text;
    }
    return name;
}

std::string LGetDriveNameByIndex(uint32_t index)
{
    std::unique_ptr<LBurnDrive> drive = LGetBurnDevice(LProgramBurnBackend(), index);
    return drive ? LGetDiscDeviceName(*drive) : std::string();
}

bool LEjectProgramDrive(uint32_t index)
{
    if (index == kBurnNoDrive)
        return false;
    std::unique_ptr<LBurnDrive> drive = LGetBurnDevice(LProgramBurnBackend(), index);
    return drive && drive->Eject();
}
