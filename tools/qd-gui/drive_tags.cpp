// The tag editors as the main window opens them: one MP3 in the ID Tag
// dialog, one WAV in the Audio Tag Editor, several files in Edit Audio Tags;
// OK writes the files as the main window's commands do. Own steps:
// "stars:N" sets the ID Tag dialog's rating, "image:PATH" takes a picture as
// its artwork (a picture that does not decode gives the dialog's message).
#include "QdGuiDrive.h"

#include "app/program/tags/EditAudioTagsDialog.h"
#include "app/program/tags/IdTagDialog.h"
#include "app/program/tags/TagEditing.h"
#include "app/program/tags/TagEditorDialog.h"
#include "tags/LAudioFileTags.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr const char* kProductTitle = "Quorin Dizer od OD Udivezeve";

class DriveReporter : public TagCommandReporter
{
public:
    explicit DriveReporter(QdGuiDrive* drive) : drive_(drive) {}
    void Error(const char* text) override
    {
        failed = true;
        Box(text);
    }
    void Info(const char* text) override { Box(text); }
    void Wrote(const char* path) override { drive_->File(path); }
    bool failed = false;

private:
    void Box(const char* text)
    {
        std::string line = text;
        for (char& c : line)
            if (c == '\n' || c == '\r')
                c = ' ';
        QdGuiDrive::Print(std::string("box: ") + kProductTitle + " | " + line);
    }
    QdGuiDrive* drive_;
};

IdTagDialog* IdTagOf(LWindow* top, std::string* error)
{
    auto* dialog = dynamic_cast<IdTagDialog*>(top);
    if (dialog == nullptr)
        *error = "the window on top is not the ID Tag dialog";
    return dialog;
}

bool OpenTags(QdGuiDrive& drive)
{
    if (drive.args.empty()) {
        std::fprintf(stderr, "qd-gui drive tags: name one or more files\n");
        return false;
    }
    for (const std::string& path : drive.args) {
        if (access(path.c_str(), R_OK) != 0 || LTagFileKindOfPath(path.c_str()) == LTagFileKind::kNone) {
            std::fprintf(stderr, "qd-gui drive tags: %s is not a readable WAV or MP3 file\n", path.c_str());
            return false;
        }
    }
    drive.steps["stars"] = [](LWindow* top, const std::string& value, std::string* error) {
        IdTagDialog* dialog = IdTagOf(top, error);
        if (dialog == nullptr)
            return false;
        char* end = nullptr;
        const long stars = std::strtol(value.c_str(), &end, 10);
        if (value.empty() || *end != '\0' || stars < 0 || stars > dialog->Rating().StarCount()) {
            *error = "stars:" + value + " is not a number of stars from 0 to 5";
            return false;
        }
        dialog->Rating().SetRating(static_cast<int>(stars));
        dialog->SendCommand(IdTagDialog::kRating);
        return true;
    };
    drive.steps["image"] = [](LWindow* top, const std::string& value, std::string* error) {
        IdTagDialog* dialog = IdTagOf(top, error);
        if (dialog == nullptr)
            return false;
        // Refused pictures are the dialog's business: its message shows.
        dialog->UseArtworkFile(value.c_str());
        return true;
    };

    DriveReporter reporter(&drive);
    if (drive.args.size() == 1) {
        const std::string& path = drive.args.front();
        LAudioTagMap tags;
        ReadAudioFileTags(&tags, path.c_str());
        if (!ShowTagEditorDialog(&tags, nullptr, path.c_str())) {
            drive.Finished(false);
            return true;
        }
        drive.Finished(WriteEditedTags(&tags, path.c_str(), &reporter));
        return true;
    }
    LAudioTagMap first;
    ReadAudioFileTags(&first, drive.args.front().c_str());
    TagChanges changes;
    if (!ShowEditAudioTagsDialog(&first, nullptr, &changes)) {
        drive.Finished(false);
        return true;
    }
    WriteChangesToFiles(drive.args, changes, &reporter);
    drive.Finished(!reporter.failed);
    return true;
}

} // namespace

QD_GUI_DRIVABLE("tags", "FILE...", OpenTags);
