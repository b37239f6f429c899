#include "online/LSuiteProducts.h"

#include "foundation/settings/LSettings.h"
#include "online/LOnlineSite.h"
#include "online/LRelatedPrograms.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <strings.h>

const LSuiteProductName LSuiteProductNames[28] = {
    {"Quorin", "Quorin", "quorin", "quorin"},
    {"Tessary", "Tessary", "tessary", "tes"},
    {"Pyrocastelle", "Pyrocastelle", "burn", "pyro"},
    {"Corvane", "Corvane", "converter", "cor"},
    {"Murmelo", "Murmelo", "dictation", "mur"},
    {"Scrivello", "Scrivello", "transcribe", "scr"},
    {"Vocantis", "Vocantis", "speech", "voc"},
    {"Ondafin", "Ondafin", "recorder", "ond"},
    {"Marimbel", "Marimbel", "beats", "mar"},
    {"Strepito", "Strepito", "noise", "str"},
    {"Lirando", "Lirando", "notation", "lir"},
    {"Ferrovia", "Ferrovia", "cdrip", "fer"},
    {"Calypte", "Calypte", "multitrack", "cal"},
    {"Nettuno", "Nettuno", "podcast", "net"},
    {"Ledgerly", "Ledgerly", "invoice", "led"},
    {"Tallyra", "Tallyra", "inventory", "tal"},
    {"Quillet", "Quillet", "documents", "qui"},
    {"Orbisk", "Orbisk", "phone", "orb"},
    {"Velluto", "Velluto", "videoeditor", "vel"},
    {"Cinerra", "Cinerra", "videoconverter", "cin"},
    {"Framlet", "Framlet", "screenrecorder", "fra"},
    {"Pictavo", "Pictavo", "photo", "pic"},
    {"Drawlin", "Drawlin", "draw", "dra"},
    {"Tilemark", "Tilemark", "imageconverter", "til"},
    {"Slidora", "Slidora", "slideshow", "sli"},
    {"Filbert", "Filbert", "splitter", "fil"},
    {"Rescuo", "Rescuo", "recovery", "res"},
    {"Keplo", "Keplo", "backup", "kep"},
};

const LSuiteProductInfo LSuiteProductInfoRows[32] = {
    {"Quorin", "Quorin", "quorin", "quorin", 0,
     "Record vinyl records and cassette tapes and turn them into audio files and CDs."},
    {"Tessary", "Tessary Sound Editor", "tessary", "tessary", 90,
     "Record, cut, copy and paste audio, add effects such as echo, amplification and noise reduction."},
    {"Pyrocastelle", "Pyrocastelle Disc Burner", "pyrocastelle", "burn", 80,
     "Burn audio CDs, data discs and MP3 discs, and copy discs."},
    {"Corvane", "Corvane Audio Converter", "corvane", "converter", 85,
     "Convert audio files between WAV, MP3, FLAC, Ogg and many more formats, one file or a thousand."},
    {"Murmelo", "Murmelo Dictation", "murmelo", "dictation", 60,
     "Record dictation with hot keys and send the recordings to your typist by e-mail."},
    {"Scrivello", "Scrivello Transcription", "scrivello", "transcribe", 55,
     "Play recordings at a slower speed with foot-pedal control while you type what you hear."},
    {"Vocantis", "Vocantis Speech to Text", "vocantis", "+speech", 0,
     "Turn spoken recordings into text that you can correct and save."},
    {"Ondafin", "Ondafin Sound Recorder", "ondafin", "recorder", 70,
     "Record sound from a microphone or any input, with voice-activated recording and schedules."},
    {"Marimbel", "Marimbel Beat Maker", "marimbel", "beats", 0,
     "Build drum patterns and loops and mix them into songs."},
    {"Strepito", "Strepito Noise Reduction", "strepito", "noise", 50,
     "Remove hiss, hum and background noise from recordings."},
    {"Lirando", "Lirando Music Notation", "lirando", "notation", 0,
     "Write, play and print music scores."},
    {"Ferrovia", "Ferrovia CD Ripper", "ferrovia", "cdrip", 65,
     "Copy the tracks of audio CDs into MP3, WAV or FLAC files with their titles."},
    {"Calypte", "Calypte Multitrack", "calypte", "multitrack", 0,
     "Record and mix many tracks of voice and instruments."},
    {"Nettuno", "Nettuno Podcast Maker", "nettuno", "+podcast", 0,
     "Record, edit and publish podcasts."},
    {"Ledgerly", "Ledgerly Invoices", "ledgerly", "invoice", 40,
     "Make quotes, invoices and receipts and keep track of what is paid."},
    {"Tallyra", "Tallyra Inventory", "tallyra", "inventory", 0,
     "Keep track of stock, orders and suppliers."},
    {"Quillet", "Quillet Documents", "quillet", "documents", 0,
     "Scan, file and find your documents."},
    {"Orbisk", "Orbisk Phone", "orbisk", "phone", 0,
     "Make calls over the internet from your computer and record them."},
    {"Velluto", "Velluto Video Editor", "velluto", "videoeditor", 75,
     "Cut and join video clips, add titles, transitions and music."},
    {"Cinerra", "Cinerra Video Converter", "cinerra", "videoconverter", 45,
     "Convert video files between formats for phones, players and the web."},
    {"Framlet", "Framlet Screen Recorder", "framlet", "screenrecorder", 0,
     "Record your screen with sound for lessons and presentations."},
    {"Pictavo", "Pictavo Photo Editor", "pictavo", "photo", 35,
     "Crop, straighten and touch up photos and add effects."},
    {"Drawlin", "Drawlin Graphic Design", "drawlin", "draw", 0,
     "Draw logos, diagrams and illustrations."},
    {"Tilemark", "Tilemark Image Converter", "tilemark", "imageconverter", 0,
     "Convert and resize many pictures at once."},
    {"Slidora", "Slidora Slideshow", "slidora", "+slideshow", 0,
     "Make slideshows of your photos with music and transitions."},
    {"Filbert", "Filbert File Splitter", "filbert", "splitter", 0,
     "Split large files into parts and join them again."},
    {"Rescuo", "Rescuo Disk Recovery", "rescuo", "recovery", 30,
     "Find and restore deleted files."},
    {"Keplo", "Keplo Backup", "keplo", "backup", 0,
     "Back up your files on a schedule and restore them when needed."},
    {"Pitchwell", "Pitchwell Tuner", "pitchwell", "tuner", 0,
     "Tune guitars and other instruments with the microphone."},
    {"Cadenzo", "Cadenzo Metronome", "cadenzo", "+metronome", 0,
     "Keep time with a metronome of any tempo and measure."},
    {"Lumetta", "Lumetta Video Player", "lumetta", "player", 0,
     "Play videos of every common format."},
    {"Sortilo", "Sortilo Duplicate Finder", "sortilo", "duplicates", 0,
     "Find duplicate files and free space on your disks."},
};

const LSuiteTask LSuiteTasks[59] = {
    {"Popular", "Tessary", "Edit audio recordings", 0},
    {"Popular", "Corvane", "Convert audio files", 0},
    {"Popular", "Pyrocastelle", "Burn CDs and DVDs", 0},
    {"Popular", "Quorin", "Record vinyl and tapes", 0},
    {"Popular", "Murmelo", "Record dictation", 0},
    {"Popular", "Velluto", "Edit videos", 0},
    {"Popular", "Ferrovia", "Copy audio CDs to files", 0},
    {"Popular", "Ledgerly", "Make invoices", 0},
    {"Popular", "Pictavo", "Edit photos", 0},
    {"Audio", "Tessary", "Edit audio recordings", 0},
    {"Audio", "Tessary", "Add effects to audio", 0},
    {"Audio", "Quorin", "Record vinyl and tapes", 0},
    {"Audio", "Corvane", "Convert audio files", 0},
    {"Audio", "Pyrocastelle", "Burn audio CDs", 0},
    {"Audio", "Ondafin", "Record sound", 0},
    {"Audio", "Ondafin", "Record on a schedule", 0},
    {"Audio", "Strepito", "Remove noise from recordings", 0},
    {"Audio", "Ferrovia", "Copy audio CDs to files", 0},
    {"Audio", "Calypte", "Record many tracks", 0},
    {"Audio", "Nettuno", "Make a podcast", 0},
    {"Audio", "Marimbel", "Make beats and loops", 0},
    {"Audio", "Lirando", "Write music scores", 0},
    {"Audio", "Pitchwell", "Tune an instrument", 0},
    {"Audio", "Cadenzo", "Practise with a metronome", 0},
    {"Audio", "Scrivello", "Slow down a recording", 0},
    {"Audio", "Vocantis", "Turn speech into text", 0},
    {"Audio", "Orbisk", "Record phone calls", 0},
    {"Audio", "Framlet", "Record sound with the screen", 0},
    {"Audio", "Cinerra", "Take the sound from a video", 0},
    {"Dictation", "Murmelo", "Record dictation", 0},
    {"Dictation", "Scrivello", "Transcribe recordings", 0},
    {"Dictation", "Vocantis", "Turn speech into text", 0},
    {"Dictation", "Tessary", "Clean up a dictation", 0},
    {"Dictation", "Murmelo", "Send dictation by e-mail", 0},
    {"Business", "Ledgerly", "Make invoices", 0},
    {"Business", "Tallyra", "Track inventory", 0},
    {"Business", "Quillet", "File documents", 0},
    {"Business", "Orbisk", "Call over the internet", 0},
    {"Business", "Murmelo", "Record meetings", 0},
    {"Video", "Velluto", "Edit videos", 0},
    {"Video", "Cinerra", "Convert videos", 0},
    {"Video", "Framlet", "Record the screen", 0},
    {"Video", "Lumetta", "Play videos", 0},
    {"Video", "Slidora", "Make a slideshow", 0},
    {"Graphics", "Pictavo", "Edit photos", 0},
    {"Graphics", "Drawlin", "Draw a logo", 0},
    {"Graphics", "Drawlin", "Draw a diagram", 0},
    {"Graphics", "Tilemark", "Convert pictures", 0},
    {"Graphics", "Tilemark", "Resize pictures", 0},
    {"Graphics", "Slidora", "Make a slideshow", 0},
    {"Graphics", "Pictavo", "Touch up photos", 0},
    {"Utilities", "Rescuo", "Restore deleted files", 0},
    {"Utilities", "Keplo", "Back up files", 0},
    {"Utilities", "Sortilo", "Find duplicate files", 0},
    {"Converters", "Corvane", "Convert audio files", 0},
    {"Converters", "Cinerra", "Convert videos", 0},
    {"Converters", "Tilemark", "Convert pictures", 0},
    {"Converters", "Filbert", "Split and join files", 0},
    {"Converters", "Ferrovia", "Copy audio CDs to files", 0},
};

namespace {

std::string Lower(const char* text)
{
    std::string result = text != nullptr ? text : "";
    for (char& c : result)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return result;
}

const LSuiteProductName* RowByKey(const char* key)
{
    if (key == nullptr)
        return nullptr;
    for (const LSuiteProductName& row : LSuiteProductNames)
        if (std::strcmp(row.key, key) == 0)
            return &row;
    return nullptr;
}

// Letters, digits and ! - . _ ~ stay; every other byte is '%' and two
// upper-case hex digits; never more than limit characters, never a cut escape.
std::string Encode(const std::string& text, size_t limit)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        const bool plain = std::isalnum(c) != 0 || c == '!' || c == '-' || c == '.' || c == '_' || c == '~';
        const size_t need = plain ? 1 : 3;
        if (out.size() + need > limit)
            break;
        if (plain) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

} // namespace

std::string LSuiteProductKeyFromName(const char* name)
{
    if (name == nullptr)
        return {};
    for (const LSuiteProductName& row : LSuiteProductNames)
        if (std::strcmp(row.name, name) == 0)
            return row.key;
    return name;
}

std::string LSuiteWebFolderFromKey(const char* key)
{
    const LSuiteProductName* row = RowByKey(key);
    return row != nullptr ? row->webFolder : Lower(key);
}

std::string LSuiteShortIdFromKey(const char* key)
{
    const LSuiteProductName* row = RowByKey(key);
    return row != nullptr ? row->shortId : Lower(key);
}

const LSuiteProductInfo* LSuiteFindProductInfo(const char* name)
{
    if (name == nullptr)
        return nullptr;
    for (const LSuiteProductInfo& row : LSuiteProductInfoRows)
        if (strcasecmp(row.name, name) == 0)
            return &row;
    return nullptr;
}

bool LIsSuiteProductInstalled(const char* name)
{
    return LIsRelatedProgramInstalled(LSuiteProductKeyFromName(name).c_str());
}

std::vector<std::string> LSuiteCategories()
{
    std::vector<std::string> categories;
    for (const LSuiteTask& task : LSuiteTasks) {
        bool known = false;
        for (const std::string& category : categories)
            known = known || category == task.category;
        if (!known)
            categories.emplace_back(task.category);
    }
    return categories;
}

std::string LSuiteProductPageUrl(const char* webFolder)
{
    const char* folder = webFolder != nullptr ? webFolder : "";
    const bool second = folder[0] == '+';
    const std::string address =
        std::string(second ? kQuorinSecondSite : kQuorinSite) + "/" + (second ? folder + 1 : folder) + "/";
    return LApplySiteOverride(address.c_str());
}

std::string LSuiteSearchUrl(const char* text, const char* email)
{
    std::string query = text != nullptr ? text : "";
    const size_t first = query.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    query = query.substr(first, query.find_last_not_of(" \t\r\n") - first + 1);
    std::string address = LSiteUrl("/search.html") + "?q=" + Encode(query, 259) + "&site=www.oxbelsoftware.com";
    if (email != nullptr && email[0] != '\0')
        address += "&email=" + Encode(email, 259);
    return address;
}

void LSuiteRecordLinkUse(const char* key, const char* tab, const char* task, bool installed)
{
    const char* counter = installed ? "ar" : "ai";
    LSettingsSetInt("SuiteUsage", counter, LSettingsGetInt("SuiteUsage", counter, 0) + 1);

    const std::string wantKey = key != nullptr ? key : "";
    const std::string wantTab = tab != nullptr ? tab : "";
    const std::string wantTask = task != nullptr ? task : "";
    LSettingsKey links;
    std::snprintf(links.path, sizeof links.path, "SuiteUsage/Links/");
    LSettingsKeyEnum walk;
    for (walk.Begin(&links); walk.child.path[0] != '\0'; walk.Next()) {
        char lk[260], lt[260], lf[260], lc[260];
        walk.child.GetStringOrEmpty("lk", lk);
        walk.child.GetStringOrEmpty("lt", lt);
        walk.child.GetStringOrEmpty("lf", lf);
        if (wantKey == lk && wantTab == lt && wantTask == lf) {
            walk.child.GetString("lc", "0", lc);
            char count[32];
            std::snprintf(count, sizeof count, "%lld", static_cast<long long>(LStrToInt64(lc) + 1));
            walk.child.SetString("lc", count);
            return;
        }
    }
    LSettingsKey record;
    for (int n = 1;; ++n) {
        std::snprintf(record.path, sizeof record.path, "SuiteUsage/Links/%d/", n);
        if (!LSettingsKeyExists(kLSettingsCurrentUser, record.path))
            break;
    }
    record.SetString("lk", wantKey.c_str());
    record.SetString("lt", wantTab.c_str());
    record.SetString("lf", wantTask.c_str());
    record.SetString("lc", "1");
}
