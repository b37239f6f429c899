#include "app/program/tags/IdTagDialog.h"

#include "app/program/tags/TagEditing.h"
#include "foundation/files/LPath.h"
#include "foundation/platform/LStandardFolders.h"
#include "foundation/settings/LSettings.h"
#include "gui/controls/LControlStyles.h"
#include "gui/framework/LFilePanels.h"
#include "gui/framework/LMessageBox.h"
#include "online/LHelpTopics.h"
#include "tags/LId3Genres.h"

#include <strings.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

constexpr const char* kProductTitle = "Quorin Dizer od OD Udivezeve";

struct TextField
{
    int id;
    const char* label;
    const char* key;
};

// The single-line texts, each with its label at id - 1.
constexpr TextField kLeftTexts[] = {
    {IdTagDialog::kTitle, "Title:", "TITLE"},
    {IdTagDialog::kArtist, "Artist:", "ARTIST"},
    {IdTagDialog::kAlbumArtist, "Album Artist:", "ALBUMARTIST"},
    {IdTagDialog::kAlbum, "Album:", "ALBUM"},
    {IdTagDialog::kTrackNumber, "Track Number:", "TRACKNUMBER"},
    {IdTagDialog::kDiscNumber, "Disc Number:", "DISKNUMBER"},
};
constexpr TextField kRightTexts[] = {
    {IdTagDialog::kComposer, "Composer:", "COMPOSER"},
    {IdTagDialog::kPlayCount, "Play Count:", "PLAYCOUNT"},
    {IdTagDialog::kBpm, "BPM:", "BPM"},
    {IdTagDialog::kProducer, "Producer:", "PRODUCER"},
    {IdTagDialog::kCopyright, "Copyright:", "COPYRIGHT"},
    {IdTagDialog::kEncoder, "Encoder:", "ENCODER"},
    {IdTagDialog::kEncodedBy, "Encoded By:", "ENCODEDBY"},
    {IdTagDialog::kUrl, "URL:", "URL"},
};

void Builder(LWindow* window, int, int, int)
{
    static_cast<IdTagDialog*>(window)->Layout();
}

std::string ControlText(const LWindow* window, int id)
{
    std::string text;
    window->GetControlTextLong(id, text);
    return text;
}

} // namespace

std::string TagVanityText()
{
    return "Quorin Dizer od OD Udivezeve by Oxbel Software";
}

IdTagDialog::IdTagDialog(LAudioTagMap* tags, const char* extension)
    : tags_(tags), extension_(extension != nullptr ? extension : "")
{
    artwork_.SetListener(this);
}

IdTagDialog::~IdTagDialog()
{
    artwork_.Destroy();
    rating_.Destroy();
}

const LDialogTemplate* IdTagDialog::Template()
{
    static const LDialogTemplate dialogTemplate{904, 561, "ID Tag", true, Builder};
    return &dialogTemplate;
}

void IdTagDialog::Layout()
{
    const double s = GetScaleFactor();
    auto place = [&](int id, double x, double y, double w, double h) {
        SetControlRect(id, static_cast<int>(x * s), static_cast<int>(y * s), static_cast<int>(w * s),
                       static_cast<int>(h * s));
    };
    auto label = [&](int id, const char* text, double x, double y) {
        AddStaticText(id, text);
        SetStaticTextStyle(id, 0, 2);
        place(id, x, y + 3, 110, 20);
    };
    const LTextInputStyle plain;
    double y = 20;
    for (const TextField& field : kLeftTexts) {
        label(field.id - 1, field.label, 10, y);
        AddTextInputNoRect(field.id, plain);
        place(field.id, 126, y, 330, 24);
        y += 32;
    }
    label(kGenre - 1, "Genre:", 10, y);
    AddComboBox(kGenre, false);
    place(kGenre, 126, y, 330, 26);
    y += 32;
    label(kCategory - 1, "Category:", 10, y);
    AddComboBox(kCategory, false);
    place(kCategory, 126, y, 330, 26);
    y += 32;
    label(kDate - 1, "Date:", 10, y);
    CreateDateTimePicker(kDate, 11, static_cast<int>(126 * s), static_cast<int>(y * s),
                         static_cast<int>(200 * s), static_cast<int>(24 * s));
    SetDateTimeCommand(kDate, kDate);
    AddStaticText(kDateHint, "");
    place(kDateHint, 334, y + 3, 122, 20);
    y += 32;
    label(kComment - 1, "Comment:", 10, y);
    LEditFlags edit;
    edit.border = true;
    edit.verticalScroller = true;
    AddEditViewNoRect(kComment, &edit);
    place(kComment, 126, y, 330, 478 - y);

    // The artwork with its buttons, the rating, then the other texts.
    label(kArtwork - 1, "Artwork:", 470, 20);
    LAddPaintControl(this, kArtwork);
    place(kArtwork, 586, 20, 150, 150);
    AddPushButtonNoRect(kBrowse, "Browse");
    place(kBrowse, 746, 20, 100, 28);
    AddPushButtonNoRect(kRemove, "Remove");
    place(kRemove, 746, 54, 100, 28);
    label(kRating - 1, "Rating:", 470, 180);
    LAddPaintControl(this, kRating);
    y = 212;
    for (const TextField& field : kRightTexts) {
        label(field.id - 1, field.label, 470, y);
        AddTextInputNoRect(field.id, plain);
        place(field.id, 586, y, 300, 24);
        y += 32;
    }
    AddPushButtonNoRect(kClear, "Clear");
    place(kClear, 126, 490, 100, 28);
    AddHelpButton();
    AddOKCancelButtonsNoRect();
}

void IdTagDialog::OnCreate()
{
    filling_ = true;
    const double s = GetScaleFactor();
    // 1. The artwork, when the record's picture is still there.
    artwork_.Attach(this, kArtwork);
    const char* image = tags_->Get("IMAGE");
    if (image[0] != '\0' && access(image, R_OK) == 0 && artwork_.LoadImageFile(image))
        artworkPath_ = image;
    else
        artwork_.Clear();

    // 2. Stars, genre and category lists.
    rating_.Create(this, kRating, 5);
    LRatingControl::MakeStarImages(rating_.StarSize(), &starFilled_, &starEmpty_, &starHover_);
    rating_.SetImages(&starFilled_, &starEmpty_, &starHover_);
    SetControlRect(kRating, static_cast<int>(586 * s), static_cast<int>(182 * s), rating_.PreferredWidth(),
                   rating_.StarSize());
    rating_.UpdateSize();
    for (int i = 0; i < kId3GenreCount; ++i)
        AddComboBoxItem(kGenre, kId3GenreNames[i]);
    for (int row = 0; row < kTagCategoryCount; ++row)
        AddComboBoxItem(kCategory, TagCategoryText(row).c_str());
    SetDateTimeNow(kDate);

    // 3. The vanity text, replaced by the file's own below.
    char vanity[260] = {};
    LSettingsGetString("Settings", "VanityTag", TagVanityText().c_str(), vanity);
    SetControlText(kEncodedBy, vanity);

    // 4. The record's values.
    if (!tags_->fields.IsEmpty()) {
        for (const TextField& field : kLeftTexts)
            SetControlText(field.id, tags_->Get(field.key));
        for (const TextField& field : kRightTexts)
            SetControlText(field.id, tags_->Get(field.key));
        SetControlText(kComment, tags_->Get("COMMENT"));
        const char* genre = tags_->Get("GENRE");
        // The combo box is editable: a genre outside the list stays as its text.
        SetComboBoxText(kGenre, genre);
        const char* category = tags_->Get("CATEGORY");
        const int row = TagCategoryRow(category);
        std::string trimmed = category;
        while (!trimmed.empty() && trimmed.back() == ' ')
            trimmed.pop_back();
        while (!trimmed.empty() && trimmed.front() == ' ')
            trimmed.erase(0, 1);
        if (row >= 0) {
            SelectComboBoxItem(kCategory, row);
        } else if (!trimmed.empty()) {
            const int added = AddComboBoxItem(kCategory, trimmed.c_str());
            SelectComboBoxItem(kCategory, added);
            SetComboBoxText(kCategory, trimmed.c_str());
        }
        const int64_t when = TagDateTimeSeconds(tags_->Get("DATE"), tags_->Get("TIME"));
        if (when > 0) {
            SetDateTime(kDate, &when);
            dateFromFile_ = true;
        }
        rating_.SetRating(TagStarsFromRating(tags_->Get("RATING")));
    }
    ShowDateHint();
    filling_ = false;
}

void IdTagDialog::ShowDateHint()
{
    SetStaticText(kDateHint, DateSet() ? "" : "(no date)");
}

void IdTagDialog::UpdateControls()
{
    for (int id = kTitle; id <= kClear; ++id)
        if (HasControl(id))
            EnableControl(id, true);
    const std::string& e = extension_;
    if (e == ".flac" || e == ".ogg") {
        EnableControl(kBrowse, false);
        artwork_.EnableMenu(false);
    }
    if (e == ".wma")
        EnableControl(kPlayCount, false);
    if (e == ".mp4" || e == ".m4a" || e == ".m4r" || e == ".m4b")
        EnableControl(kProducer, false);
    EnableControl(kRemove, !artworkPath_.empty());
}

void IdTagDialog::OnCommand(int command, int extra)
{
    switch (command) {
    case kBrowse:
        OnArtworkBrowse();
        break;
    case kRemove:
        OnArtworkRemove();
        break;
    case kClear:
        ClearAll();
        break;
    case kDate:
        if (!filling_) {
            dateTouched_ = true;
            ShowDateHint();
        }
        break;
    default:
        break;
    }
    LWindow::OnCommand(command, extra);
}

void IdTagDialog::OnArtworkBrowse()
{
    std::string path;
    if (!ChooseArtworkFile(&path))
        return;
    if (UseArtworkFile(path.c_str())) {
        char folder[kLPathSize] = {};
        std::snprintf(folder, sizeof folder, "%s", path.c_str());
        char* slash = std::strrchr(folder, '/');
        if (slash != nullptr) {
            *slash = '\0';
            LSettingsSetString("Settings", "ImageSearchPath", folder);
        }
    }
    UpdateControls();
}

void IdTagDialog::OnArtworkRemove()
{
    artworkPath_.clear();
    artwork_.Clear();
    UpdateControls();
}

bool IdTagDialog::UseArtworkFile(const char* path)
{
    LArtworkView trial;
    std::string why;
    if (!trial.LoadImageFile(path, &why)) {
        std::string text = "The picture cannot be used as artwork:\n\n";
        text += path;
        text += "\n" + why;
        ShowMessage(text.c_str());
        return false;
    }
    artworkPath_ = path;
    artwork_.LoadImageFile(path);
    UpdateControls();
    return true;
}

bool IdTagDialog::ChooseArtworkFile(std::string* path)
{
    char folder[kLPathSize] = {};
    char pictures[kLPathSize] = {};
    LGetPicturesFolder(pictures);
    LSettingsGetString("Settings", "ImageSearchPath", pictures, folder);
    char chosen[kLPathSize] = {};
    static const char kFilter[] = "Supported Image Files\0*.jpg;*.jpeg;*.jpe;*.jfif;*.jif;*.png\0\0";
    if (LOpenFileDialog(GetView(), chosen, "Select Artwork", folder, kFilter, "jpg", nullptr, nullptr) != 1)
        return false;
    *path = chosen;
    return !path->empty();
}

void IdTagDialog::ShowMessage(const char* text)
{
    LMessageBox box(GetView(), text, kProductTitle);
    box.style = LMessageBoxWarningStyle;
    box.Show();
}

void IdTagDialog::ClearAll()
{
    filling_ = true;
    for (const TextField& field : kLeftTexts)
        SetControlText(field.id, "");
    for (const TextField& field : kRightTexts)
        SetControlText(field.id, "");
    SetControlText(kComment, "");
    SetComboBoxText(kGenre, "");
    SetComboBoxText(kCategory, "");
    SelectComboBoxItem(kCategory, 0);
    SetDateTimeNow(kDate);
    dateTouched_ = false;
    dateFromFile_ = false;
    ShowDateHint();
    OnArtworkRemove();
    rating_.SetRating(0);
    cleared_ = true;
    filling_ = false;
}

bool IdTagDialog::CanOK()
{
    if (cleared_)
        tags_->Clear();
    if (!artworkPath_.empty()) {
        // The record's own copy stays valid: copying it over itself is not needed.
        if (std::strcmp(tags_->Get("IMAGE"), artworkPath_.c_str()) != 0 &&
            !LMakeTempCopy(tags_, "IMAGE", artworkPath_.c_str()))
            tags_->Set("IMAGE", artworkPath_.c_str());
    } else {
        tags_->Set("IMAGE", "");
    }
    if (strcasecmp(extension_.c_str(), ".wav") == 0)
        tags_->Set("PRODUCERAPPVERSION", "3.00");
    for (const TextField& field : kLeftTexts)
        tags_->Set(field.key, ControlText(this, field.id).c_str());
    for (const TextField& field : kRightTexts)
        tags_->Set(field.key, ControlText(this, field.id).c_str());
    tags_->Set("COMMENT", ControlText(this, kComment).c_str());
    char text[260] = {};
    GetComboBoxText(kGenre, text);
    tags_->Set("GENRE", text);
    GetComboBoxText(kCategory, text);
    std::string category = text;
    if (category == " ")
        category.clear();
    tags_->Set("CATEGORY", category.c_str());
    // The picker's date only when the user set one; a date the file had and
    // the user left alone stays exactly as it was stored.
    if (dateTouched_) {
        std::string date, time;
        TagDateTimeTexts(GetDateTime(kDate), &date, &time);
        tags_->Set("DATE", date.c_str());
        tags_->Set("TIME", time.c_str());
    }
    // No stars takes the rating out of the file.
    tags_->Set("RATING", TagRatingFromStars(rating_.GetRating()));
    LSettingsSetString("Settings", "VanityTag", ControlText(this, kEncodedBy).c_str());
    return true;
}

void IdTagDialog::OnHelp()
{
    LOpenKnowledgeBaseArticle(kTagEditingArticle);
}

void IdTagDialog::OnDestroy()
{
    artwork_.Destroy();
    rating_.Destroy();
}

bool ShowIdTagDialog(LWindow* parent, LAudioTagMap* tags, const char* extension)
{
    IdTagDialog dialog(tags, extension);
    if (!dialog.CreateFromTemplate(IdTagDialog::Template()))
        return false;
    return dialog.DoModal(parent, LPlacementCenterOnParent);
}
