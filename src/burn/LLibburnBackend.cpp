#include "burn/LLibburnBackend.h"

#include "burn/LOpticalDriveNumbering.h"
#include "foundation/log/LLog.h"

#include <libburn/libburn.h>

#include <cstring>
#include <mutex>
#include <unistd.h>

using namespace burn;

namespace {

std::mutex gMessageLock;

bool SevereEnough(const char* severity)
{
    static const char* const kSevere[] = {"SORRY", "WARNING_FAILURE", "FAILURE", "MISHAP", "FATAL", "ABORT"};
    for (const char* s : kSevere)
        if (std::strcmp(severity, s) == 0)
            return true;
    return false;
}

class LibburnDrive : public LBurnDrive
{
public:
    LibburnDrive(burn_drive_info* infos) : infos_(infos), drive_(infos[0].drive) {}

    ~LibburnDrive() override
    {
        if (busy_ && burn_drive_get_status(drive_, nullptr) != BURN_DRIVE_IDLE) {
            // libburn's writer thread still reads the sources: leaving the
            // drive grabbed and the disc allocated is the only safe choice.
            LLogError("Burner still busy at release; its job is left running");
            return;
        }
        FinishWrite();
        burn_drive_release(drive_, eject_ ? 1 : 0);
        burn_drive_info_free(infos_);
        LLibburnBackend::DrainMessages();
    }

    LBurnDriveIdentity Identity() override
    {
        LBurnDriveIdentity id;
        id.vendor = infos_[0].vendor;
        id.product = infos_[0].product;
        id.writeCd = infos_[0].write_cdr || infos_[0].write_cdrw;
        id.writeCdSao = id.writeCd && (infos_[0].sao_block_types & BURN_BLOCK_SAO) != 0;
        id.writeDvd = infos_[0].write_dvdr != 0;
        id.writeDvdRam = infos_[0].write_dvdram != 0;
        int count = 0;
        int profiles[64];
        char current[64];
        if (burn_drive_get_all_profiles(drive_, &count, profiles, current) == 1) {
            for (int i = 0; i < count && i < 64; ++i) {
                switch (profiles[i]) {
                case 0x1B:
                case 0x2B:
                    id.writeDvdPlusR = true;
                    id.writeDvd = true;
                    break;
                case 0x1A:
                case 0x11:
                case 0x13:
                case 0x14:
                case 0x15:
                    id.writeDvd = true;
                    break;
                case 0x12:
                    id.writeDvdRam = true;
                    break;
                case 0x41:
                case 0x42:
                case 0x43:
                    id.writeBd = true;
                    break;
                case 0x51:
                case 0x52:
                    id.writeHdDvd = true;
                    break;
                case 0x09:
                case 0x0A:
                    id.writeCd = true;
                    break;
                default:
                    break;
                }
            }
        }
        const int speed = burn_drive_get_write_speed(drive_);
        id.maxWriteSpeed = speed > 0 ? static_cast<uint32_t>(speed) : 0;
        return id;
    }

    LBurnDiscStatus DiscStatus() override
    {
        switch (burn_disc_get_status(drive_)) {
        case BURN_DISC_BLANK:
            return LBurnDiscStatus::Blank;
        case BURN_DISC_APPENDABLE:
            return LBurnDiscStatus::Appendable;
        case BURN_DISC_FULL:
            return LBurnDiscStatus::Full;
        case BURN_DISC_UNSUITABLE:
            return LBurnDiscStatus::Unsuitable;
        default:
            return LBurnDiscStatus::Unready;
        }
    }

    bool IsErasable() override { return burn_disc_erasable(drive_) == 1; }

    int Profile(std::string* name) override
    {
        int profile = 0;
        char text[80] = {};
        if (burn_disc_get_profile(drive_, &profile, text) != 1)
            return 0;
        if (name)
            *name = text;
        return profile;
    }

    int64_t FreeBlocks() override
    {
        const off_t bytes = burn_disc_available_space(drive_, nullptr);
        return bytes > 0 ? bytes / 2048 : 0;
    }

    int64_t UsedBlocks() override
    {
        const burn_disc_status status = burn_disc_get_status(drive_);
        if (status != BURN_DISC_APPENDABLE && status != BURN_DISC_FULL)
            return 0;
        burn_disc* disc = burn_drive_get_disc(drive_);
        if (disc == nullptr)
            return 0;
        const int sectors = burn_disc_get_sectors(disc);
        burn_disc_free(disc);
        return sectors > 0 ? sectors : 0;
    }

    std::vector<uint32_t> WriteSpeeds() override
    {
        std::vector<uint32_t> speeds;
        burn_speed_descriptor* list = nullptr;
        if (burn_drive_get_speedlist(drive_, &list) == 1) {
            for (burn_speed_descriptor* s = list; s != nullptr; s = s->next)
                if (s->write_speed > 0 && s->source != 3)
                    speeds.push_back(static_cast<uint32_t>(s->write_speed));
            burn_drive_free_speedlist(&list);
        }
        return speeds;
    }

    bool Reassess() override
    {
        if (busy_)
            return true;
        return burn_drive_re_assess(drive_, 0) == 1;
    }

    bool StartErase(bool fast) override
    {
        LLibburnBackend::DrainMessages();
        busy_ = true;
        burn_disc_erase(drive_, fast ? 1 : 0);
        return true;
    }

    bool StartWrite(const LBurnWriteRequest& request) override
    {
        FinishWrite();
        LLibburnBackend::DrainMessages();
        opts_ = burn_write_opts_new(drive_);
        disc_ = burn_disc_create();
        burn_session* session = burn_session_create();
        burn_disc_add_session(disc_, session, BURN_POS_END);
        bool audio = false;
        for (const LBurnWriteTrack& t : request.tracks) {
            burn_track* track = burn_track_create();
            burn_track_define_data(track, 0, 0, 1, t.audio ? BURN_AUDIO : BURN_MODE1);
            if (burn_track_set_source(track, t.source) != BURN_SOURCE_OK) {
                burn_track_free(track);
                burn_session_free(session);
                lastMessage_ = "The track data could not be attached";
                FinishWrite();
                return false;
            }
            burn_session_add_track(session, track, BURN_POS_END);
            burn_track_free(track);
            audio = audio || t.audio;
        }
        burn_session_free(session);
        if (request.sao)
            burn_write_opts_set_write_type(opts_, BURN_WRITE_SAO, BURN_BLOCK_SAO);
        else
            burn_write_opts_set_write_type(opts_, BURN_WRITE_TAO, BURN_BLOCK_MODE1);
        burn_write_opts_set_underrun_proof(opts_, 1);
        burn_write_opts_set_perform_opc(opts_, 1);
        burn_write_opts_set_multi(opts_, 0);
        burn_drive_set_speed(drive_, 0, request.speed);
        char reasons[BURN_REASONS_LEN] = {};
        if (burn_precheck_write(opts_, disc_, reasons, 0) <= 0) {
            lastMessage_ = reasons;
            FinishWrite();
            return false;
        }
        (void)audio;
        busy_ = true;
        burn_disc_write(opts_, disc_);
        return true;
    }

    LBurnDriveActivity Activity(LBurnProgressInfo* progress) override
    {
        burn_progress p{};
        const burn_drive_status status = burn_drive_get_status(drive_, &p);
        if (progress) {
            progress->track = p.track;
            progress->tracks = p.tracks;
            progress->sector = p.sector;
            progress->sectors = p.sectors;
        }
        switch (status) {
        case BURN_DRIVE_IDLE:
            return LBurnDriveActivity::Idle;
        case BURN_DRIVE_SPAWNING:
            return LBurnDriveActivity::Spawning;
        case BURN_DRIVE_READING:
            return LBurnDriveActivity::Reading;
        case BURN_DRIVE_WRITING:
            return LBurnDriveActivity::Writing;
        case BURN_DRIVE_WRITING_LEADIN:
            return LBurnDriveActivity::WritingLeadIn;
        case BURN_DRIVE_WRITING_LEADOUT:
            return LBurnDriveActivity::WritingLeadOut;
        case BURN_DRIVE_ERASING:
            return LBurnDriveActivity::Erasing;
        case BURN_DRIVE_GRABBING:
            return LBurnDriveActivity::Grabbing;
        case BURN_DRIVE_WRITING_PREGAP:
            return LBurnDriveActivity::WritingPregap;
        case BURN_DRIVE_CLOSING_TRACK:
            return LBurnDriveActivity::ClosingTrack;
        case BURN_DRIVE_CLOSING_SESSION:
            return LBurnDriveActivity::ClosingSession;
        case BURN_DRIVE_FORMATTING:
            return LBurnDriveActivity::Formatting;
        case BURN_DRIVE_READING_SYNC:
            return LBurnDriveActivity::ReadingSync;
        case BURN_DRIVE_WRITING_SYNC:
            return LBurnDriveActivity::WritingSync;
        }
        return LBurnDriveActivity::Writing;
    }

    void Cancel() override { burn_drive_cancel(drive_); }

    bool WroteWell() override
    {
        busy_ = burn_drive_get_status(drive_, nullptr) != BURN_DRIVE_IDLE;
        return burn_drive_wrote_well(drive_) == 1;
    }

    void FinishWrite() override
    {
        if (disc_ != nullptr) {
            burn_disc_free(disc_);
            disc_ = nullptr;
        }
        if (opts_ != nullptr) {
            burn_write_opts_free(opts_);
            opts_ = nullptr;
        }
        busy_ = false;
    }

    bool Eject() override
    {
        eject_ = true;
        return true;
    }

    std::string LastMessage() override
    {
        std::string message = LLibburnBackend::DrainMessages();
        if (!message.empty())
            lastMessage_ = message;
        return lastMessage_;
    }

private:
    burn_drive_info* infos_;
    burn_drive* drive_;
    burn_write_opts* opts_ = nullptr;
    burn_disc* disc_ = nullptr;
    bool busy_ = false;
    bool eject_ = false;
    std::string lastMessage_;
};

} // namespace

LLibburnBackend::LLibburnBackend(const char* devFolder) : devFolder_(devFolder) {}

bool LLibburnBackend::Start()
{
    static const bool started = [] {
        if (burn_initialize() != 1)
            return false;
        // Everything worth knowing waits in the queue for the daily log;
        // nothing goes to the terminal.
        char queue[] = "NOTE", print[] = "NEVER", prefix[] = "libburn: ";
        burn_msgs_set_severities(queue, print, prefix);
        return true;
    }();
    return started;
}

std::string LLibburnBackend::DrainMessages()
{
    std::lock_guard<std::mutex> lock(gMessageLock);
    std::string last;
    char minimum[] = "ALL";
    char text[BURN_MSGS_MESSAGE_LEN];
    char severity[80];
    int errorCode = 0, osErrno = 0;
    while (burn_msgs_obtain(minimum, &errorCode, text, &osErrno, severity) == 1) {
        if (SevereEnough(severity)) {
            LLogErrorF("libburn %s: %s", severity, text);
            last = text;
        } else {
            LLogInfoF("libburn %s: %s", severity, text);
        }
    }
    return last;
}

std::vector<std::string> LLibburnBackend::DriveAddresses()
{
    return LListOpticalDrivePaths(devFolder_.c_str());
}

std::unique_ptr<LBurnDrive> LLibburnBackend::Grab(const std::string& address, std::string* message)
{
    if (!Start()) {
        if (message)
            *message = "libburn could not be started";
        return nullptr;
    }
    burn_drive_info* infos = nullptr;
    std::string adr = address;
    if (burn_drive_scan_and_grab(&infos, adr.data(), 1) != 1 || infos == nullptr) {
        const std::string text = DrainMessages();
        if (message)
            *message = text.empty() ? "The drive cannot be opened" : text;
        return nullptr;
    }
    return std::make_unique<LibburnDrive>(infos);
}

LBurnBackend& LGetLibburnBackend()
{
    static LLibburnBackend backend;
    return backend;
}

int LReadBurnSource(burn_source* source, unsigned char* buffer, int size)
{
    if (source->read != nullptr)
        return source->read(source, buffer, size);
    if (source->read_xt != nullptr)
        return source->read_xt(source, buffer, size);
    return -1;
}
