#include "burn/LFakeBurnBackend.h"

#include "burn/LAudioCdBurner.h"

#include <libburn/libburn.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <sstream>

using namespace burn;

struct LFakeBurnBackend::State
{
    std::mutex lock;
    std::condition_variable wake;
    std::thread worker;
    bool shutdown = false;
    bool cancel = false;
    LBurnDriveActivity activity = LBurnDriveActivity::Idle;
    LBurnProgressInfo progress;
    bool wroteWell = true;
    std::string message;
    LFakeBurnRecord record;
    std::vector<burn_source*> held; // references the current write holds

    void Enter(LBurnDriveActivity next, uint32_t delayMs)
    {
        {
            std::lock_guard<std::mutex> guard(lock);
            activity = next;
            record.activities.push_back(next);
        }
        if (delayMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    }
    bool Cancelled()
    {
        std::lock_guard<std::mutex> guard(lock);
        return cancel;
    }
    void Join()
    {
        if (worker.joinable())
            worker.join();
    }
};

namespace {

const char* ProfileName(int profile)
{
    switch (profile) {
    case 0x09:
        return "CD-R";
    case 0x0A:
        return "CD-RW";
    case 0x1A:
        return "DVD+RW";
    case 0x1B:
        return "DVD+R";
    default:
        return "";
    }
}

} // namespace

// The drive's own thread: it holds the shared state, not the drive object,
// so a job left running outlives the grab that started it.
class LFakeBurnJob
{
public:
    LFakeBurnJob(LFakeBurnBackend& backend, LFakeBurnDriveScript& script,
                 std::shared_ptr<LFakeBurnBackend::State> state)
        : backend_(backend), script_(script), state_(std::move(state))
    {
    }

    void Pace()
    {
        if (script_.blockDelayMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(script_.blockDelayMs));
    }

    void End(bool well, const std::string& message)
    {
        std::lock_guard<std::mutex> guard(state_->lock);
        state_->wroteWell = well;
        if (!message.empty())
            state_->message = message;
        state_->activity = LBurnDriveActivity::Idle;
        state_->record.activities.push_back(LBurnDriveActivity::Idle);
    }

    void HangUntilShutdown()
    {
        std::unique_lock<std::mutex> guard(state_->lock);
        state_->wake.wait(guard, [this] { return state_->shutdown; });
    }

    void RunErase(bool fast)
    {
        state_->Enter(LBurnDriveActivity::Erasing, script_.stepDelayMs);
        for (int i = 0; i < (fast ? 3 : 6); ++i) {
            {
                std::lock_guard<std::mutex> guard(state_->lock);
                state_->progress.sectors = 6;
                state_->progress.sector = i;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5 + script_.blockDelayMs));
        }
        if (script_.fault == LFakeBurnFault::Erase) {
            End(false, "Fake drive: blanking failed, medium error");
            return;
        }
        script_.status = LBurnDiscStatus::Blank;
        script_.usedBlocks = 0;
        End(true, "");
    }

    void RunWrite(const std::vector<LBurnWriteTrack> tracks)
    {
        int64_t total = 0;
        std::vector<int64_t> sizes;
        for (const LBurnWriteTrack& t : tracks) {
            const int64_t size = t.source->get_size ? t.source->get_size(t.source) : 0;
            const int bs = t.audio ? 2352 : 2048;
            sizes.push_back(size);
            total += (size + bs - 1) / bs;
        }
        {
            std::lock_guard<std::mutex> guard(state_->lock);
            state_->progress.tracks = static_cast<int>(tracks.size());
            state_->progress.sectors = static_cast<int>(total);
            state_->record.declaredSizes = sizes;
            state_->record.tracks.resize(tracks.size());
        }
        if (script_.stepDelayMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(script_.stepDelayMs));
        Pace();
        state_->Enter(LBurnDriveActivity::WritingLeadIn, script_.stepDelayMs);
        Pace();
        int64_t written = 0;
        backend_.blocksRead_.store(0);
        for (size_t n = 0; n < tracks.size(); ++n) {
            {
                std::lock_guard<std::mutex> guard(state_->lock);
                state_->progress.track = static_cast<int>(n);
            }
            state_->Enter(LBurnDriveActivity::WritingPregap, script_.stepDelayMs);
            Pace();
            state_->Enter(LBurnDriveActivity::Writing, script_.stepDelayMs);
            const int bs = tracks[n].audio ? 2352 : 2048;
            const int64_t blocks = (sizes[n] + bs - 1) / bs;
            std::vector<unsigned char> block(bs);
            int64_t got = 0;
            bool eof = false;
            for (int64_t b = 0; b < blocks; ++b) {
                if (state_->Cancelled()) {
                    if (script_.fault != LFakeBurnFault::Hang) {
                        state_->Enter(LBurnDriveActivity::ClosingSession, script_.stepDelayMs);
                        End(false, "Burn cancelled");
                        return;
                    }
                }
                if ((script_.fault == LFakeBurnFault::Write || script_.fault == LFakeBurnFault::Hang) &&
                    written >= std::max<int64_t>(1, total / 2)) {
                    if (script_.fault == LFakeBurnFault::Hang) {
                        HangUntilShutdown();
                        return;
                    }
                    std::ostringstream text;
                    text << "Fake drive: write error at sector " << written << ", medium error";
                    End(false, text.str());
                    return;
                }
                const int want = static_cast<int>(std::min<int64_t>(bs, sizes[n] - got));
                int r = eof ? 0 : LReadBurnSource(tracks[n].source, block.data(), want);
                if (r < 0) {
                    End(false, "Failed to read track source");
                    return;
                }
                if (r == 0)
                    eof = true;
                {
                    std::lock_guard<std::mutex> guard(state_->lock);
                    auto& out = state_->record.tracks[n];
                    out.insert(out.end(), block.begin(), block.begin() + r);
                    state_->progress.sector = static_cast<int>(++written);
                }
                got += r;
                backend_.blocksRead_.fetch_add(1);
                Pace();
            }
            state_->Enter(LBurnDriveActivity::ClosingTrack, script_.stepDelayMs);
        }
        state_->Enter(LBurnDriveActivity::WritingLeadOut, script_.stepDelayMs);
        Pace();
        state_->Enter(LBurnDriveActivity::ClosingSession, script_.stepDelayMs);
        // As libburn ends a session: the sector counts cleared while it
        // still writes, waiting for the drive and reading the disc again.
        {
            std::lock_guard<std::mutex> guard(state_->lock);
            state_->progress.sector = 0;
            state_->progress.sectors = 0;
        }
        state_->Enter(LBurnDriveActivity::Writing, script_.stepDelayMs);
        if (!script_.dumpPath.empty() && !WriteDump(tracks)) {
            End(false, "Fake drive: " + script_.dumpPath + ": " + std::strerror(errno));
            return;
        }
        script_.status = LBurnDiscStatus::Full;
        script_.usedBlocks = total;
        End(true, "");
    }

    // The written bytes as one file, and the cue sheet of an audio write.
    bool WriteDump(const std::vector<LBurnWriteTrack>& tracks)
    {
        std::vector<std::vector<unsigned char>> data;
        {
            std::lock_guard<std::mutex> guard(state_->lock);
            data = state_->record.tracks;
        }
        FILE* out = std::fopen(script_.dumpPath.c_str(), "we");
        if (out == nullptr)
            return false;
        std::vector<LAudioCdTrackLayout> layout;
        int64_t start = 0;
        bool audio = true;
        for (size_t n = 0; n < data.size(); ++n) {
            if (!data[n].empty() && std::fwrite(data[n].data(), 1, data[n].size(), out) != data[n].size()) {
                std::fclose(out);
                return false;
            }
            audio = audio && tracks[n].audio;
            LAudioCdTrackLayout t;
            t.startBlock = start;
            t.blocks = static_cast<int64_t>(data[n].size() / 2352);
            t.frames = static_cast<int64_t>(data[n].size() / 4);
            start += t.blocks;
            layout.push_back(t);
        }
        if (std::fclose(out) != 0)
            return false;
        if (!audio)
            return true;
        const size_t slash = script_.dumpPath.rfind('/');
        const size_t dot = script_.dumpPath.rfind('.');
        const std::string cue = dot != std::string::npos && (slash == std::string::npos || dot > slash)
                                    ? script_.dumpPath.substr(0, dot) + ".cue"
                                    : script_.dumpPath + ".cue";
        return LWriteAudioCueSheet(
            cue, slash == std::string::npos ? script_.dumpPath : script_.dumpPath.substr(slash + 1), layout);
    }

    LFakeBurnBackend& backend_;
    LFakeBurnDriveScript& script_;
    std::shared_ptr<LFakeBurnBackend::State> state_;
};

class LFakeBurnDrive : public LBurnDrive
{
public:
    LFakeBurnDrive(LFakeBurnBackend& backend, size_t index)
        : backend_(backend), script_(backend.drives_[index]), state_(backend.state_)
    {
    }

    ~LFakeBurnDrive() override
    {
        bool running;
        {
            std::lock_guard<std::mutex> guard(state_->lock);
            running = state_->activity != LBurnDriveActivity::Idle;
        }
        // A hung job stays with the backend, which ends it when it goes away.
        if (!running)
            FinishWrite();
        backend_.releases_.fetch_add(1);
    }

    LBurnDriveIdentity Identity() override
    {
        LBurnDriveIdentity id;
        id.vendor = script_.vendor;
        id.product = script_.product;
        id.writeCd = script_.writeCd;
        id.writeCdSao = script_.writeCdSao;
        id.writeDvd = script_.writeDvd;
        id.writeDvdPlusR = script_.writeDvdPlusR;
        id.writeDvdRam = script_.writeDvdRam;
        id.writeBd = script_.writeBd;
        id.writeHdDvd = script_.writeHdDvd;
        id.maxWriteSpeed = script_.speeds.empty() ? 0 : script_.speeds.back();
        return id;
    }

    LBurnDiscStatus DiscStatus() override
    {
        if (script_.fault == LFakeBurnFault::Vanish || script_.profile == 0)
            return LBurnDiscStatus::Unready;
        return script_.status;
    }
    bool IsErasable() override { return script_.profile != 0 && script_.erasable; }
    int Profile(std::string* name) override
    {
        if (script_.fault == LFakeBurnFault::Vanish)
            return 0;
        if (name)
            *name = ProfileName(script_.profile);
        return script_.profile;
    }
    int64_t FreeBlocks() override
    {
        if (script_.profile == 0 || script_.status == LBurnDiscStatus::Full)
            return 0;
        return script_.capacityBlocks - script_.usedBlocks;
    }
    int64_t UsedBlocks() override { return script_.profile == 0 ? 0 : script_.usedBlocks; }
    std::vector<uint32_t> WriteSpeeds() override
    {
        return script_.profile == 0 ? std::vector<uint32_t>{} : script_.speeds;
    }
    bool Reassess() override { return script_.fault != LFakeBurnFault::Vanish; }
    bool Eject() override
    {
        if (script_.fault == LFakeBurnFault::Vanish)
            return false;
        backend_.ejects_.fetch_add(1);
        return true;
    }

    bool StartErase(bool fast) override
    {
        if (script_.fault == LFakeBurnFault::Vanish || script_.profile == 0 || !script_.erasable) {
            state_->message = "The drive cannot erase this disc";
            return false;
        }
        Prepare();
        state_->worker = std::thread(
            [job = LFakeBurnJob(backend_, script_, state_), fast]() mutable { job.RunErase(fast); });
        return true;
    }

    bool StartWrite(const LBurnWriteRequest& request) override
    {
        if (script_.fault == LFakeBurnFault::Vanish) {
            state_->message = "The drive does not answer";
            return false;
        }
        FinishWrite();
        Prepare();
        for (const LBurnWriteTrack& t : request.tracks) {
            ++t.source->refcount;
            state_->held.push_back(t.source);
        }
        state_->record.sao = request.sao;
        state_->record.speed = request.speed;
        std::vector<LBurnWriteTrack> tracks = request.tracks;
        state_->worker = std::thread(
            [job = LFakeBurnJob(backend_, script_, state_), tracks]() mutable { job.RunWrite(tracks); });
        return true;
    }

    LBurnDriveActivity Activity(LBurnProgressInfo* progress) override
    {
        std::lock_guard<std::mutex> guard(state_->lock);
        if (progress)
            *progress = state_->progress;
        return state_->activity;
    }

    void Cancel() override
    {
        std::lock_guard<std::mutex> guard(state_->lock);
        state_->cancel = true;
    }

    bool WroteWell() override
    {
        std::lock_guard<std::mutex> guard(state_->lock);
        return state_->activity == LBurnDriveActivity::Idle && state_->wroteWell;
    }

    void FinishWrite() override
    {
        {
            std::lock_guard<std::mutex> guard(state_->lock);
            if (state_->activity != LBurnDriveActivity::Idle)
                state_->record.freedWhileBusy = true;
        }
        // A caller that frees too early is recorded above; the fake then
        // still waits for its own thread, where libburn would crash.
        state_->Join();
        for (burn_source* source : state_->held)
            burn_source_free(source);
        state_->held.clear();
    }

    std::string LastMessage() override
    {
        std::lock_guard<std::mutex> guard(state_->lock);
        return state_->message;
    }

private:
    void Prepare()
    {
        state_->Join();
        std::lock_guard<std::mutex> guard(state_->lock);
        state_->cancel = false;
        state_->wroteWell = true;
        state_->message.clear();
        state_->progress = LBurnProgressInfo{};
        state_->record = LFakeBurnRecord{};
        state_->activity = LBurnDriveActivity::Spawning;
        state_->record.activities.push_back(LBurnDriveActivity::Spawning);
    }

    LFakeBurnBackend& backend_;
    LFakeBurnDriveScript& script_;
    std::shared_ptr<LFakeBurnBackend::State> state_;
};

LFakeBurnBackend::LFakeBurnBackend(std::vector<LFakeBurnDriveScript> drives)
    : drives_(std::move(drives)), state_(std::make_shared<State>())
{
}

LFakeBurnBackend::~LFakeBurnBackend()
{
    {
        std::lock_guard<std::mutex> guard(state_->lock);
        state_->shutdown = true;
    }
    state_->wake.notify_all();
    state_->Join();
    for (burn_source* source : state_->held)
        burn_source_free(source);
}

std::vector<std::string> LFakeBurnBackend::DriveAddresses()
{
    std::vector<std::string> addresses;
    for (size_t i = 0; i < drives_.size(); ++i)
        addresses.push_back("fake:" + std::to_string(i));
    return addresses;
}

std::unique_ptr<LBurnDrive> LFakeBurnBackend::Grab(const std::string& address, std::string* message)
{
    for (size_t i = 0; i < drives_.size(); ++i)
        if (address == "fake:" + std::to_string(i)) {
            grabs_.fetch_add(1);
            return std::make_unique<LFakeBurnDrive>(*this, i);
        }
    if (message)
        *message = "No such drive: " + address;
    return nullptr;
}

LFakeBurnRecord LFakeBurnBackend::LastWrite()
{
    std::lock_guard<std::mutex> guard(state_->lock);
    return state_->record;
}

bool LParseFakeBurnDrive(const char* text, LFakeBurnDriveScript& script)
{
    std::string rest = text ? text : "";
    size_t pos = 0;
    while (pos <= rest.size() && !rest.empty()) {
        const size_t comma = rest.find(',', pos);
        const std::string item =
            rest.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
        const size_t eq = item.find('=');
        if (eq == std::string::npos)
            return false;
        const std::string key = item.substr(0, eq), value = item.substr(eq + 1);
        if (key == "media") {
            if (value == "cdr") {
                script.profile = 0x09;
                script.erasable = false;
                script.capacityBlocks = 359847;
            } else if (value == "cdrw") {
                script.profile = 0x0A;
                script.erasable = true;
                script.capacityBlocks = 359847;
            } else if (value == "dvd+rw") {
                script.profile = 0x1A;
                script.erasable = true;
                script.capacityBlocks = 2295104;
            } else if (value == "none") {
                script.profile = 0;
            } else {
                return false;
            }
        } else if (key == "state") {
            if (value == "blank") {
                script.status = LBurnDiscStatus::Blank;
                script.usedBlocks = 0;
            } else if (value == "appendable") {
                script.status = LBurnDiscStatus::Appendable;
                script.usedBlocks = 123456;
            } else if (value == "full") {
                script.status = LBurnDiscStatus::Full;
                script.usedBlocks = 330000;
            } else {
                return false;
            }
        } else if (key == "dump") {
            if (value.empty())
                return false;
            script.dumpPath = value;
        } else if (key == "fail") {
            if (value == "write")
                script.fault = LFakeBurnFault::Write;
            else if (value == "vanish")
                script.fault = LFakeBurnFault::Vanish;
            else if (value == "erase")
                script.fault = LFakeBurnFault::Erase;
            else if (value == "hang")
                script.fault = LFakeBurnFault::Hang;
            else
                return false;
        } else {
            return false;
        }
        if (comma == std::string::npos)
            break;
        pos = comma + 1;
    }
    return true;
}
