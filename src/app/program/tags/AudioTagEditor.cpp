#include "app/program/tags/AudioTagEditor.h"

#include "app/program/tags/IdTagDialog.h"
#include "app/program/tags/TagEditing.h"
#include "foundation/settings/LSettings.h"
#include "gui/controls/LControlStyles.h"
#include "online/LHelpTopics.h"
#include "tags/LId3Genres.h"

#include <strings.h>

namespace {

struct TextField
{
    int id;
    const char* label;
    const char* key;
};

constexpr TextField kTexts[] = {
    {AudioTagBasicPage::kTitle, "Title:", "TITLE"},
    {AudioTagBasicPage::kArtist, "Artist:", "ARTIST"},
    {AudioTagBasicPage::kAlbumArtist, "Album Artist:", "ALBUMARTIST"},
    {AudioTagBasicPage::kAlbum, "Album:", "ALBUM"},
    {AudioTagBasicPage::kTrackNumber, "Track Number:", "TRACKNUMBER"},
    {AudioTagBasicPage::kComment, "Comment / Description:", "COMMENT"},
    {AudioTagBasicPage::kClassification, "Classification:", "CLASSIFICATION"},
    {AudioTagBasicPage::kOutCue, "Out Cue:", "OUTCUE"},
    {AudioTagBasicPage::kClientId, "Client ID:", "CLIENTID"},
    {AudioTagBasicPage::kProducer, "Producer:", "ENCODEDBY"},
    {AudioTagBasicPage::kCopyright, "Copyright:", "COPYRIGHT"},
    {AudioTagBasicPage::kUrl, "URL:", "URL"},
};

void Builder(LWindow* window, int, int, int)
{
    static_cast<AudioTagBasicPage*>(window)->Layout();
}

} // namespace

AudioTagBasicPage::AudioTagBasicPage(LAudioTagMap* tags, const char* extension)
    : tags_(tags), extension_(extension != nullptr ? extension : "")
{
}

const LDialogTemplate* AudioTagBasicPage::Template()
{
    static const LDialogTemplate dialogTemplate{732, 524, "Basic", false, Builder};
    return &dialogTemplate;
}

void AudioTagBasicPage::Layout()
{
    const double s = GetScaleFactor();
    auto place = [&](int id, double x, double y, double w, double h) {
        SetControlRect(id, static_cast<int>(x * s), static_cast<int>(y * s), static_cast<int>(w * s),
                       static_cast<int>(h * s));
    };
    auto label = [&](int id, const char* text, double y) {
        AddStaticText(id, text);
        SetStaticTextStyle(id, 0, 2);
        place(id, 10, y + 3, 170, 20);
    };
    const LTextInputStyle plain;
    double y = 12;
    auto text = [&](int id) {
        for (const TextField& field : kTexts)
            if (field.id == id) {
                label(id + 1, field.label, y);
                AddTextInputNoRect(id, plain);
                place(id, 190, y, 520, 24);
            }
        y += 30;
    };
    text(kTitle);
    text(kArtist);
    text(kAlbumArtist);
    text(kAlbum);
    label(kGenre + 1, "Genre:", y);
    AddPullDownNoRect(kGenre);
    place(kGenre, 190, y, 260, 26);
    y += 30;
    text(kTrackNumber);
    text(kComment);
    text(kClassification);
    label(kStartDate + 1, "Start Date:", y);
    CreateDateTimePicker(kStartDate, 11, static_cast<int>(190 * s), static_cast<int>(y * s),
                         static_cast<int>(200 * s), static_cast<int>(24 * s));
    SetDateTimeCommand(kStartDate, kStartDate);
    AddStaticText(kStartDateHint, "");
    place(kStartDateHint, 398, y + 3, 200, 20);
    y += 30;
    label(kEndDate + 1, "End Date:", y);
    CreateDateTimePicker(kEndDate, 11, static_cast<int>(190 * s), static_cast<int>(y * s),
                         static_cast<int>(200 * s), static_cast<int>(24 * s));
    SetDateTimeCommand(kEndDate, kEndDate);
    AddStaticText(kEndDateHint, "");
    place(kEndDateHint, 398, y + 3, 200, 20);
    y += 30;
    text(kOutCue);
    text(kClientId);
    text(kProducer);
    text(kCopyright);
    text(kUrl);
    AddPushButtonNoRect(kClearData, "Clear Data");
    place(kClearData, 190, y + 4, 120, 28);
}

void AudioTagBasicPage::OnCreate()
{
    filling_ = true;
    char vanity[260] = {};
    LSettingsGetString("Settings", "VanityTag", TagVanityText().c_str(), vanity);
    SetControlText(kProducer, vanity);
    SetDateTimeNow(kStartDate);
    SetDateTimeNow(kEndDate);
    if (!tags_->fields.IsEmpty()) {
        for (const TextField& field : kTexts)
            SetControlText(field.id, tags_->Get(field.key));
        const int64_t start = TagDateTimeSeconds(tags_->Get("DATE"), tags_->Get("TIME"));
        if (start > 0) {
            SetDateTime(kStartDate, &start);
            start_ = DateState::kFromFile;
        }
        const int64_t end = TagDateTimeSeconds(tags_->Get("ENDDATE"), tags_->Get("ENDTIME"));
        if (end > 0) {
            SetDateTime(kEndDate, &end);
            end_ = DateState::kFromFile;
        }
    }
    AddPullDownItem(kGenre, "");
    for (int i = 0; i < kId3GenreCount; ++i)
        AddPullDownItem(kGenre, kId3GenreNames[i]);
    const char* genre = tags_->Get("GENRE");
    int selected = 0;
    for (int i = 0; i < kId3GenreCount; ++i)
        if (strcasecmp(kId3GenreNames[i], genre) == 0)
            selected = i + 1;
    // A genre of the file's own stays an item of the list, so OK keeps it.
    if (selected == 0 && genre[0] != '\0')
        selected = AddPullDownItem(kGenre, genre);
    SelectPullDownItem(kGenre, selected);
    ShowHints();
    filling_ = false;
}

void AudioTagBasicPage::ShowHints()
{
    auto hint = [](DateState state) {
        switch (state) {
        case DateState::kNone:
            return "(no date)";
        case DateState::kCleared:
            return "(cleared)";
        default:
            return "";
        }
    };
    SetStaticText(kStartDateHint, hint(start_));
    SetStaticText(kEndDateHint, hint(end_));
}

void AudioTagBasicPage::OnCommand(int command, int extra)
{
    switch (command) {
    case kStartDate:
        if (!filling_)
            start_ = DateState::kSetByUser;
        ShowHints();
        break;
    case kEndDate:
        if (!filling_)
            end_ = DateState::kSetByUser;
        ShowHints();
        break;
    case kClearData:
        for (const TextField& field : kTexts)
            SetControlText(field.id, "");
        SelectPullDownItem(kGenre, 0);
        // The dates go too: a cleared tag keeps no date.
        start_ = DateState::kCleared;
        end_ = DateState::kCleared;
        ShowHints();
        break;
    default:
        break;
    }
    LPropertyPage::OnCommand(command, extra);
}

bool AudioTagBasicPage::CanOK()
{
    if (strcasecmp(extension_.c_str(), ".wav") == 0)
        tags_->Set("PRODUCERAPPVERSION", "3.00");
    for (const TextField& field : kTexts) {
        std::string text;
        GetControlTextLong(field.id, text);
        tags_->Set(field.key, text.c_str());
    }
    char genre[260] = {};
    GetPullDownSelectedText(kGenre, genre);
    tags_->Set("GENRE", genre);
    auto writeDate = [&](DateState state, int picker, const char* dateKey, const char* timeKey) {
        if (state == DateState::kSetByUser) {
            std::string date, time;
            TagDateTimeTexts(GetDateTime(picker), &date, &time);
            tags_->Set(dateKey, date.c_str());
            tags_->Set(timeKey, time.c_str());
        } else if (state == DateState::kCleared) {
            tags_->Set(dateKey, "");
            tags_->Set(timeKey, "");
        }
    };
    writeDate(start_, kStartDate, "DATE", "TIME");
    writeDate(end_, kEndDate, "ENDDATE", "ENDTIME");
    return true;
}

void AudioTagBasicPage::OnHelp()
{
    LOpenKnowledgeBaseArticle(kTagEditingArticle);
}

AudioTagEditorSheet::AudioTagEditorSheet(LAudioTagMap* tags, const char* extension) : basic_(tags, extension)
{
    AddPage(&basic_, AudioTagBasicPage::Template(), "Basic");
}

bool ShowAudioTagEditor(LWindow* parent, LAudioTagMap* tags, const char* path, const char* extension)
{
    (void)path;
    AudioTagEditorSheet sheet(tags, extension);
    return sheet.DoModal(parent != nullptr ? parent->GetView() : nullptr, "Audio Tag Editor", 0);
}
