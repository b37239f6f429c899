#include "online/LScheduledLaunch.h"

#include "foundation/files/LFile.h"
#include "foundation/files/LFileSystem.h"
#include "foundation/log/LLog.h"
#include "foundation/platform/LStandardFolders.h"
#include "foundation/process/LChildProcess.h"
#include "foundation/text/LUtf8.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr const char* kWeekdays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

std::string TimerName(const std::string& label)
{
    return label + ".timer";
}

std::string ServiceName(const std::string& label)
{
    return label + ".service";
}

std::string WantsLink(const std::string& folder, const std::string& label)
{
    return folder + "/timers.target.wants/" + TimerName(label);
}

// Written beside and renamed over, so a manager reading it sees all or nothing.
bool WriteWhole(const std::string& path, const std::string& text)
{
    char temp[4096];
    const int fd = LCreateFileBeside(path.c_str(), temp, sizeof temp, 0644);
    if (fd < 0)
        return false;
    const bool written = LWriteAll(fd, text.data(), text.size());
    const bool closed = close(fd) == 0;
    if (!written || !closed || chmod(temp, 0644) != 0 || rename(temp, path.c_str()) != 0) {
        unlink(temp);
        return false;
    }
    return true;
}

// systemctl --user with the arguments; true when it ended with 0.
bool Systemctl(std::initializer_list<const char*> words)
{
    std::vector<const char*> argv = {"systemctl", "--user", "--quiet"};
    argv.insert(argv.end(), words.begin(), words.end());
    argv.push_back(nullptr);
    LChildProcess child;
    if (!child.Start(argv.data(), LChildStream::Null, LChildStream::Null))
        return false;
    return child.WaitToEnd() == 0;
}

// A user manager answers on the session's runtime folder; without one,
// the enabling link starts the timer at the next log-in.
bool UserManagerRuns()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime == nullptr || runtime[0] != '/')
        return false;
    struct stat info;
    const std::string socket = std::string(runtime) + "/systemd/private";
    return stat(socket.c_str(), &info) == 0 && S_ISSOCK(info.st_mode) && Systemctl({"daemon-reload"});
}

bool IsUnitNameWord(const char* name)
{
    if (name == nullptr || name[0] == '\0')
        return false;
    for (const char* p = name; *p != '\0'; ++p) {
        const char c = *p;
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
              c == '_'))
            return false;
    }
    return true;
}

} // namespace

std::string LScheduleLabel(const char* name)
{
    if (!IsUnitNameWord(name) || std::strlen(name) > 64)
        return "";
    return std::string("com.oxbelsoftware.quorin.schedule.") + name;
}

std::string LUserUnitFolder()
{
    char config[260];
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && xdg[0] == '/')
        return std::string(xdg) + "/systemd/user";
    if (!LGetHomeFolder(config))
        return "";
    return std::string(config) + "/.config/systemd/user";
}

std::string LSystemdQuoteWord(const char* word, bool command, bool* ok)
{
    // systemd reads unit files as UTF-8 and ignores a line that is not:
    // the timer would then fire a service without a command.
    *ok = LUtf8IsValid(word);
    if (!*ok)
        return "";
    std::string out = "\"";
    for (const char* p = word; *p != '\0'; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        // systemd takes no control character anywhere, and no quote or
        // backslash in the program's own name.
        if (c < 0x20 || c == 0x7F || (command && (c == '"' || c == '\'' || c == '\\'))) {
            *ok = false;
            return "";
        }
        if (c == '\\' || c == '"')
            out += '\\';
        else if (c == '%' || (c == '$' && !command))
            out += static_cast<char>(c); // doubled: a specifier or a variable otherwise
        out += static_cast<char>(c);
    }
    return out + "\"";
}

std::string LScheduleCalendar(const LScheduleRecord& record, time_t moment)
{
    struct tm local = {};
    localtime_r(&moment, &local);
    char clock[32];
    std::snprintf(clock, sizeof clock, "%02d:%02d:00", local.tm_hour, local.tm_min);
    if (record.daily)
        return std::string("*-*-* ") + clock;
    if (record.weekly) {
        std::string days;
        for (int day = 0; day < 7; ++day)
            if (record.weekdayMask & (1u << day))
                days += (days.empty() ? "" : ",") + std::string(kWeekdays[day]);
        if (days.empty())
            return "";
        return days + " *-*-* " + clock;
    }
    char date[64];
    std::snprintf(date, sizeof date, "%04d-%02d-%02d %s", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, clock);
    return date;
}

std::string LScheduleServiceText(const char* name, const char* executable, const char* argument,
                                 bool removeAfterRun, bool* ok)
{
    *ok = false;
    const std::string label = LScheduleLabel(name);
    const std::string folder = LUserUnitFolder();
    if (label.empty() || folder.empty() || executable == nullptr || executable[0] != '/')
        return "";
    bool quoted = true, all = true;
    std::string command = LSystemdQuoteWord(executable, true, &quoted) + " \"-scheduled_launch\"";
    all = all && quoted;
    if (argument != nullptr && argument[0] != '\0') {
        command += " " + LSystemdQuoteWord(argument, false, &quoted);
        all = all && quoted;
    }
    std::string text = "[Unit]\nDescription=Quorin scheduled launch " + label +
                       "\n\n[Service]\nType=exec\nExecStart=" + command + "\n";
    if (removeAfterRun) {
        // A single date is over once it fired: the units go with it.
        std::string remove = "ExecStopPost=/bin/rm -f --";
        for (const std::string& path :
             {folder + "/" + TimerName(label), folder + "/" + ServiceName(label), WantsLink(folder, label)}) {
            remove += " " + LSystemdQuoteWord(path.c_str(), false, &quoted);
            all = all && quoted;
        }
        text += remove + "\n";
    }
    *ok = all;
    return all ? text : "";
}

std::string LScheduleTimerText(const char* name, const std::string& calendar)
{
    const std::string label = LScheduleLabel(name);
    return "[Unit]\nDescription=Quorin scheduled launch " + label + "\n\n[Timer]\nOnCalendar=" + calendar +
           "\nUnit=" + ServiceName(label) + "\n\n[Install]\nWantedBy=timers.target\n";
}

LScheduleResult LScheduleLaunch(const LScheduleRecord& record, const char* name, const char* executable,
                                const char* argument, time_t moment)
{
    const std::string label = LScheduleLabel(name);
    const std::string folder = LUserUnitFolder();
    const std::string calendar = LScheduleCalendar(record, moment);
    bool ok = false;
    const bool once = !record.daily && !record.weekly;
    const std::string service = LScheduleServiceText(name, executable, argument, once, &ok);
    if (label.empty() || folder.empty() || calendar.empty() || !ok) {
        LLogWarningF("Scheduled launch \"%s\": nothing to schedule (name, program, argument or time not "
                     "usable: systemd takes UTF-8 text without control characters)",
                     name != nullptr ? name : "");
        return kScheduleFailed;
    }
    std::error_code error;
    std::filesystem::create_directories(folder + "/timers.target.wants", error);
    const std::string servicePath = folder + "/" + ServiceName(label);
    const std::string timerPath = folder + "/" + TimerName(label);
    const std::string link = WantsLink(folder, label);
    if (!WriteWhole(servicePath, service) || !WriteWhole(timerPath, LScheduleTimerText(name, calendar))) {
        LLogWarningF("Scheduled launch \"%s\": the units could not be written in %s", name, folder.c_str());
        unlink(servicePath.c_str());
        unlink(timerPath.c_str());
        return kScheduleFailed;
    }
    unlink(link.c_str());
    if (symlink(("../" + TimerName(label)).c_str(), link.c_str()) != 0) {
        LLogWarningF("Scheduled launch \"%s\": the timer could not be enabled", name);
        unlink(servicePath.c_str());
        unlink(timerPath.c_str());
        return kScheduleFailed;
    }
    if (!UserManagerRuns())
        return kScheduleWritten;
    // restart: a timer of the same name that runs picks up the new time.
    if (!Systemctl({"restart", TimerName(label).c_str()})) {
        LLogWarningF("Scheduled launch \"%s\": the user manager did not start the timer", name);
        return kScheduleWritten;
    }
    return kScheduleActive;
}

bool LRemoveScheduledLaunch(const char* name)
{
    const std::string label = LScheduleLabel(name);
    const std::string folder = LUserUnitFolder();
    if (label.empty() || folder.empty())
        return false;
    const bool manager = UserManagerRuns();
    // Only the timer stops: the service may be this very process.
    if (manager)
        Systemctl({"stop", TimerName(label).c_str()});
    bool removed = true;
    for (const std::string& path :
         {WantsLink(folder, label), folder + "/" + TimerName(label), folder + "/" + ServiceName(label)})
        if (unlink(path.c_str()) != 0 && errno != ENOENT)
            removed = false;
    if (manager)
        Systemctl({"daemon-reload"});
    return removed;
}
