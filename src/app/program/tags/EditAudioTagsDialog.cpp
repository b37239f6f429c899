#include "app/program/tags/EditAudioTagsDialog.h"

#include "app/program/tags/TagEditing.h"
#include "gui/controls/LControlStyles.h"
#include "online/LHelpTopics.h"
#include "tags/LId3Genres.h"

#include <strings.h>

#include <cstring>

namespace {

void Builder(LWindow* window, int, int, int)
{
    static_cast<EditAudioTagsDialog*>(window)->Layout();
}

} // namespace

EditAudioTagsDialog::EditAudioTagsDialog(const LAudioTagMap* tags) : tags_(tags) {}

const LDialogTemplate* EditAudioTagsDialog::Template()
{
    static const LDialogTemplate dialogTemplate{840, 346, "Edit Audio Tags", true, Builder};
    return &dialogTemplate;
}

void EditAudioTagsDialog::Layout()
{
    const double s = GetScaleFactor();
    auto place = [&](int id, double x, double y, double w, double h) {
        SetControlRect(id, static_cast<int>(x * s), static_cast<int>(y * s), static_cast<int>(w * s),
                       static_cast<int>(h * s));
    };
    auto label = [&](int id, const char* text, double x, double y) {
        AddStaticText(id, text);
        SetStaticTextStyle(id, 0, 2);
        place(id, x, y + 3, 100, 20);
    };
    LTextInputStyle readOnly;
    readOnly.flags[5] = 1;
    const LTextInputStyle plain;
    label(kTitleLabel, "Title:", 10, 16);
    AddTextInputNoRect(kTitle, readOnly);
    place(kTitle, 116, 16, 704, 24);
    label(kArtistLabel, "Artist:", 10, 48);
    AddTextInputNoRect(kArtist, plain);
    place(kArtist, 116, 48, 300, 24);
    label(kAlbumLabel, "Album:", 420, 48);
    AddTextInputNoRect(kAlbum, plain);
    place(kAlbum, 526, 48, 294, 24);
    label(kGenreLabel, "Genre:", 10, 80);
    AddPullDownNoRect(kGenre);
    place(kGenre, 116, 80, 300, 26);
    label(kTrackLabel, "Track Number:", 420, 80);
    AddTextInputNoRect(kTrack, readOnly);
    place(kTrack, 526, 80, 80, 24);
    AddStaticText(kTrackNote, "[Track numbers will start at 1 and enumerate as appropriate]");
    place(kTrackNote, 420, 114, 416, 20);
    label(kCopyrightLabel, "Copyright:", 10, 112);
    AddTextInputNoRect(kCopyright, plain);
    place(kCopyright, 116, 112, 300, 24);
    label(kCommentLabel, "Comment:", 10, 148);
    LEditFlags edit;
    edit.border = true;
    edit.verticalScroller = true;
    AddEditViewNoRect(kComment, &edit);
    place(kComment, 116, 148, 704, 120);
    AddSeparator(kSeparator, static_cast<int>(10 * s), static_cast<int>(282 * s), static_cast<int>(820 * s));
    AddHelpButton();
    AddOKCancelButtonsNoRect();
}

void EditAudioTagsDialog::OnCreate()
{
    SetControlText(kTitle, "[The title used will be the filename of the track in the main list]");
    SetControlText(kTrack, "%auto%");
    SetControlText(kArtist, tags_->Get("ARTIST"));
    SetControlText(kAlbum, tags_->Get("ALBUM"));
    SetControlText(kCopyright, tags_->Get("COPYRIGHT"));
    SetControlText(kComment, tags_->Get("COMMENT"));
    // An empty first item: no genre is chosen for the user.
    AddPullDownItem(kGenre, "");
    for (int i = 0; i < kId3GenreCount; ++i)
        AddPullDownItem(kGenre, kId3GenreNames[i]);
    const char* genre = tags_->Get("GENRE");
    int selected = 0;
    for (int i = 0; i < kId3GenreCount; ++i)
        if (strcasecmp(kId3GenreNames[i], genre) == 0)
            selected = i + 1;
    if (selected == 0 && genre[0] != '\0')
        selected = AddPullDownItem(kGenre, genre);
    SelectPullDownItem(kGenre, selected);
}

bool EditAudioTagsDialog::CanOK()
{
    changes_.clear();
    auto take = [&](const char* key, const std::string& value) {
        if (std::strcmp(tags_->Get(key), value.c_str()) != 0)
            changes_.emplace_back(key, value);
    };
    std::string text;
    GetControlTextLong(kArtist, text);
    take("ARTIST", text);
    GetControlTextLong(kAlbum, text);
    take("ALBUM", text);
    char genre[260] = {};
    GetPullDownSelectedText(kGenre, genre);
    take("GENRE", genre);
    GetControlTextLong(kCopyright, text);
    take("COPYRIGHT", text);
    GetControlTextLong(kComment, text);
    take("COMMENT", text);
    return true;
}

void EditAudioTagsDialog::OnHelp()
{
    LOpenKnowledgeBaseArticle(kTagEditingArticle);
}

bool ShowEditAudioTagsDialog(const LAudioTagMap* tags, LWindow* parent, TagChanges* changes)
{
    EditAudioTagsDialog dialog(tags);
    if (!dialog.CreateFromTemplate(EditAudioTagsDialog::Template()))
        return false;
    if (!dialog.DoModal(parent, LPlacementCenterOnParent))
        return false;
    if (changes)
        *changes = dialog.Changes();
    return true;
}
