#pragma once
// Starting the program again at a given local time, through the user's
// systemd manager: a timer unit and the service unit it starts, both in
// $XDG_CONFIG_HOME/systemd/user, named after the schedule's label
// "com.oxbelsoftware.quorin.schedule.<name>". The service runs the program
// with "-scheduled_launch" and an optional further argument. The timer is
// enabled by its link in timers.target.wants (so it survives a log-out) and
// started at once where a user manager runs.
//
// Words of the command line are quoted with systemd's own rules, never put
// together for a shell. A single-date timer carries its year, so it fires
// once, and its service removes both units after it ran.

#include <cstdint>
#include <ctime>
#include <string>

struct LScheduleRecord
{
    bool daily = false;       // every day at the hour and minute
    bool weekly = false;      // (daily clear) on the weekdays of the mask
    uint32_t weekdayMask = 0; // bit n: weekday n, 0 Sunday .. 6 Saturday
    // Both clear: once, on the date of the moment.
};

enum LScheduleResult : int {
    kScheduleActive = 0,  // written and started by the running user manager
    kScheduleWritten = 1, // written and enabled; no user manager runs now
    kScheduleFailed = 2,  // nothing scheduled (and nothing left behind)
};

// "com.oxbelsoftware.quorin.schedule.<name>"; "" for a name that cannot be
// part of a unit name (only letters, digits, '-' and '_' may).
std::string LScheduleLabel(const char* name);
// $XDG_CONFIG_HOME/systemd/user (else ~/.config/systemd/user); "" when it
// cannot be named.
std::string LUserUnitFolder();
// One word of a command line as systemd reads it back: double-quoted, with
// '\\' and '"' escaped, '%' doubled and, in arguments, '$' doubled. "" and
// *ok false for a word systemd would not take: one that is not UTF-8, a
// control character anywhere, a quote or backslash in the program's path
// (command).
std::string LSystemdQuoteWord(const char* word, bool command, bool* ok);
// The timer's OnCalendar= value for the record at the local moment; "" for a
// weekly record without any weekday.
std::string LScheduleCalendar(const LScheduleRecord& record, time_t moment);

// The unit texts.
std::string LScheduleServiceText(const char* name, const char* executable, const char* argument,
                                 bool removeAfterRun, bool* ok);
std::string LScheduleTimerText(const char* name, const std::string& calendar);

// Writes (whole, through temporary files) and loads the schedule, replacing
// one of the same name.
LScheduleResult LScheduleLaunch(const LScheduleRecord& record, const char* name, const char* executable,
                                const char* argument, time_t moment);
// Stops the timer where a user manager runs, and deletes the units and the
// enabling link in any case. True when nothing of the schedule is left.
bool LRemoveScheduledLaunch(const char* name);
