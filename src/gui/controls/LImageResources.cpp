#include "gui/controls/LImageResources.h"

#include <algorithm>
#include <iterator>

namespace {

const LImageResource kTable[] = {
    {304, "Quorin: a record beside a cassette", ""},
    {306, "Toolbar: help", "help-browser help-contents"},
    {309, "Help menu: like us", "emblem-favorite starred"},
    {310, "Help menu: follow us", "mail-unread mail-message-new"},
    {311, "Command link arrow", "go-next"},
    {312, "Volume: quiet", "audio-volume-low"},
    {313, "Volume: loud", "audio-volume-high"},
    {315, "Toolbar: the maker's other programs", "applications-other"},
    {316, "Suite: search", "system-search edit-find"},
    {317, "Suite: menu button", "open-menu view-more"},
    {318, "Suite: more software", "applications-multimedia"},
    {319, "Suite: download", "folder-download go-down"},
    {320, "Suite: newsletter", "mail-send mail-message-new"},
    {321, "Suite: bullet", ""},
    {324, "Share on a social network", "send-to"},
    {325, "Like on a social network", "emblem-favorite starred"},
    {326, "Share as a short message", "mail-reply-all mail-send"},
    {327, "Share with colleagues", "system-users"},
    {328, "Toolbar: share", "emblem-shared send-to"},
    {332, "Play: go to start", "media-skip-backward"},
    {333, "Play: forward", "media-seek-forward"},
    {334, "Play: go to end", "media-skip-forward"},
    {335, "Play: pause", "media-playback-pause"},
    {336, "Play: play", "media-playback-start"},
    {337, "Play: rewind", "media-seek-backward"},
    {338, "Play: stop", "media-playback-stop"},
    {340, "Toolbar: record", "media-record"},
    {341, "Toolbar: wizard", ""},
    {342, "Toolbar: burn audio CD", "media-optical-burn media-optical-cd-audio media-optical"},
    {343, "Toolbar: play", "media-playback-start"},
    {344, "Toolbar: music folder", "folder-music"},
    {348, "Toolbar: preferences", "preferences-system"},
    {349, "Toolbar: sound editor", ""},
    {350, "Recording session: record player and tape", ""},
    {352, "Wizard: record player to sound card", ""},
    {353, "Wizard: record player through an amplifier", ""},
    {354, "Wizard: cassette deck to sound card", ""},
    {356, "Session: record", "media-record"},
    {357, "Session: restart", "view-refresh media-playlist-repeat"},
    {358, "Session: pause", "media-playback-pause"},
    {359, "Session: stop", "media-playback-stop"},
    {360, "Session: split", "edit-cut"},
    {361, "Session: discard", "user-trash edit-delete"},
    {363, "List: audio file", "audio-x-generic"},
};

} // namespace

const LImageResource* LImageResourceTable(size_t* count)
{
    if (count != nullptr)
        *count = std::size(kTable);
    return kTable;
}

const LImageResource* LFindImageResource(int id)
{
    const auto* end = std::end(kTable);
    const auto* it = std::lower_bound(std::begin(kTable), end, id,
                                      [](const LImageResource& e, int n) { return e.id < n; });
    return it != end && it->id == id ? it : nullptr;
}
