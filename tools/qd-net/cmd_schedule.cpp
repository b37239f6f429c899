// qd-net schedule DATE|daily|weekly [--name NAME] [--at HH:MM] [--days 0,6]
//                [--program PATH] [--arg WORD]
// qd-net unschedule [--name NAME]
// Writes (or removes) the systemd user units of a scheduled launch in
// $XDG_CONFIG_HOME/systemd/user, as the program does, and prints their
// paths and the timer's calendar. DATE is "YYYY-MM-DD HH:MM" (local time).
// The name defaults to "LikeSurvey", the program to quorin beside the tool's
// build tree or on $PATH. systemctl --user is used only where a user
// manager runs.

#include "NetCommand.h"

#include "foundation/platform/LBundle.h"
#include "online/LScheduledLaunch.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

namespace {

bool ParseClock(const char* text, int* hour, int* minute)
{
    char tail = 0;
    return text != nullptr && std::sscanf(text, "%d:%d%c", hour, minute, &tail) == 2 && *hour >= 0 &&
           *hour < 24 && *minute >= 0 && *minute < 60;
}

int RunSchedule(int argc, char** argv)
{
    if (argc < 2)
        return QdFail("usage: schedule DATE|daily|weekly [--name NAME] [--at HH:MM] [--days 0,6] "
                      "[--program PATH] [--arg WORD]");
    const char* name = QdOption(argc, argv, "--name");
    if (name == nullptr)
        name = "LikeSurvey";
    const char* program = QdOption(argc, argv, "--program");
    char executable[4096];
    if (program == nullptr) {
        std::snprintf(executable, sizeof executable, "%s", "/usr/bin/quorin");
        char tool[260];
        if (LGetExecutablePath(tool, sizeof tool)) {
            std::string beside = tool;
            beside = beside.substr(0, beside.rfind('/')) + "/../../src/app/quorin";
            char real[4096];
            if (realpath(beside.c_str(), real) != nullptr)
                std::snprintf(executable, sizeof executable, "%s", real);
        }
        program = executable;
    }
    const char* argument = QdOption(argc, argv, "--arg");
    LScheduleRecord record;
    struct tm local = {};
    const time_t now = time(nullptr);
    localtime_r(&now, &local);
    int hour = 12, minute = 0;
    if (std::strcmp(argv[1], "daily") == 0 || std::strcmp(argv[1], "weekly") == 0) {
        record.daily = argv[1][0] == 'd';
        record.weekly = !record.daily;
        const char* at = QdOption(argc, argv, "--at");
        if (at != nullptr && !ParseClock(at, &hour, &minute))
            return QdFail("--at wants HH:MM");
        if (record.weekly) {
            const char* days = QdOption(argc, argv, "--days");
            for (const char* p = days != nullptr ? days : "0"; *p != '\0'; ++p)
                if (*p >= '0' && *p <= '6')
                    record.weekdayMask |= 1u << (*p - '0');
                else if (*p != ',')
                    return QdFail("--days wants weekday numbers 0 (Sunday) to 6");
        }
    } else {
        int year = 0, month = 0, day = 0;
        char tail = 0;
        if (std::sscanf(argv[1], "%d-%d-%d %d:%d%c", &year, &month, &day, &hour, &minute, &tail) != 5 ||
            month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 || hour > 23 || minute < 0 ||
            minute > 59)
            return QdFail("DATE wants \"YYYY-MM-DD HH:MM\", or daily or weekly");
        local.tm_year = year - 1900;
        local.tm_mon = month - 1;
        local.tm_mday = day;
    }
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = 0;
    local.tm_isdst = -1;
    const time_t moment = mktime(&local);
    const LScheduleResult result = LScheduleLaunch(record, name, program, argument, moment);
    if (result == kScheduleFailed)
        return QdFail("nothing was scheduled (see the log)");
    const std::string folder = LUserUnitFolder();
    const std::string label = LScheduleLabel(name);
    std::printf("timer=%s/%s.timer\nservice=%s/%s.service\ncalendar=%s\nstate=%s\n", folder.c_str(),
                label.c_str(), folder.c_str(), label.c_str(), LScheduleCalendar(record, moment).c_str(),
                result == kScheduleActive ? "active" : "written");
    return 0;
}

int RunUnschedule(int argc, char** argv)
{
    const char* name = QdOption(argc, argv, "--name");
    if (!LRemoveScheduledLaunch(name != nullptr ? name : "LikeSurvey"))
        return QdFail("the schedule could not be removed");
    return 0;
}

QdRegistrar reg("schedule",
                "schedule DATE|daily|weekly [--name N] [--at HH:MM] [--days 0,6] [--program P] [--arg W]",
                &RunSchedule);
QdRegistrar unreg("unschedule", "unschedule [--name NAME]", &RunUnschedule);

} // namespace
