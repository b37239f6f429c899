// The tag dialogs on real files: the ID Tag dialog's fields, stars and
// artwork as mutagen reads them back, dates only where there was or is one,
// pictures that do not decode refused; the WAV editor keeping its chunks and
// its own genre; Edit Audio Tags reporting only what the user changed.
#include "TagEditorTestSupport.h"

#include "app/program/tags/AudioTagEditor.h"
#include "app/program/tags/EditAudioTagsDialog.h"
#include "app/program/tags/IdTagDialog.h"
#include "app/program/tags/TagEditing.h"
#include "foundation/settings/LSettings.h"
#include "gui/GuiTestSupport.h"
#include "online/RecordedOpener.h"
#include "tags/LAudioFileTags.h"

#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>

using namespace tagedit;
using quorin::test::GuiApp;
using quorin::test::PumpFor;
using quorin::test::TempHome;

namespace {

class TestIdTagDialog : public IdTagDialog
{
public:
    using IdTagDialog::IdTagDialog;
    std::vector<std::string> messages;
    std::string pick;

protected:
    void ShowMessage(const char* text) override { messages.push_back(text); }
    bool ChooseArtworkFile(std::string* path) override
    {
        *path = pick;
        return !pick.empty();
    }
};

struct DialogTest : ::testing::Test
{
    void SetUp() override { GuiApp(); }
    std::unique_ptr<TestIdTagDialog> Open(LAudioTagMap* tags, const char* extension = ".mp3")
    {
        auto dialog = std::make_unique<TestIdTagDialog>(tags, extension);
        EXPECT_TRUE(dialog->CreateFromTemplate(IdTagDialog::Template()));
        EXPECT_TRUE(dialog->ShowModeless(nullptr, LPlacementCenterOnScreen));
        PumpFor(10);
        return dialog;
    }
    std::string Text(LWindow* window, int id)
    {
        std::string text;
        window->GetControlTextLong(id, text);
        return text;
    }
    TempHome home;
};

TEST_F(DialogTest, IdTagDialogEditsAnMp3AsTaggersReadIt)
{
    TAGTEST_REQUIRE_MUTAGEN();
    const std::string path = home.Path("song.mp3");
    const std::string oldCover = MakePicture(home.Root(), "old.png");
    MakeTaggedMp3(path, "Old Title", "2003-04-05", "old note", oldCover, "Rock", 64);
    const std::string audio = Mp3Audio(ReadFileBytes(path));
    const auto before = Dump(path);
    const std::string cover = home.Path("new.png");
    ASSERT_EQ(RunCommand("convert -size 16x12 xc:navy " + Quote(cover)), 0);

    LAudioTagMap tags;
    ReadAudioFileTags(&tags, path.c_str());
    auto dialog = Open(&tags);
    EXPECT_EQ(Text(dialog.get(), IdTagDialog::kTitle), "Old Title");
    EXPECT_EQ(dialog->Rating().GetRating(), 2);
    EXPECT_TRUE(dialog->Artwork().HasPicture());
    EXPECT_TRUE(dialog->DateSet());
    dialog->SetControlText(IdTagDialog::kTitle, "New Title");
    dialog->SetControlText(IdTagDialog::kArtist, "New Artist");
    dialog->SetControlText(IdTagDialog::kAlbum, "New Album");
    dialog->SetComboBoxText(IdTagDialog::kGenre, "Jazz");
    dialog->SetControlText(IdTagDialog::kComment, "line one\nline two");
    dialog->Rating().SetRating(5);
    dialog->pick = cover;
    dialog->SendCommand(IdTagDialog::kBrowse);
    EXPECT_EQ(dialog->ArtworkPath(), cover);
    char folder[260] = {};
    LSettingsGetString("Settings", "ImageSearchPath", "", folder);
    EXPECT_EQ(std::string(folder), home.Root());
    dialog->SendCommand(kCommandOK);
    PumpFor(10);
    ASSERT_TRUE(WriteEditedTags(&tags, path.c_str(), nullptr));

    auto after = Dump(path);
    EXPECT_EQ(after["TIT2"], "New Title");
    EXPECT_EQ(after["TPE1"], "New Artist");
    EXPECT_EQ(after["TALB"], "New Album");
    EXPECT_EQ(after["TCON"], "Jazz");
    EXPECT_EQ(after["COMM"], "line one|line two");
    EXPECT_EQ(after["POPM"], "255");
    EXPECT_EQ(after["APIC"], CaptureCommand("sha1sum " + Quote(cover) + " | cut -c1-40 | tr -d '\\n'"));
    EXPECT_EQ(after["TDRC"], "2003-04-05") << "the date the user left alone stays";
    for (const char* kept : {"TXXX", "USLT", "PRIV"})
        EXPECT_EQ(after[kept], before.at(kept)) << kept;
    EXPECT_EQ(Mp3Audio(ReadFileBytes(path)), audio);
}

TEST_F(DialogTest, StarsFollowTheRatingTableAndNoneRemovesIt)
{
    TAGTEST_REQUIRE_MUTAGEN();
    const struct
    {
        int stored;
        int shown;
        int set;          // -1: left as shown
        const char* popm; // what mutagen reads after OK, "" for no frame
    } cases[] = {{64, 2, -1, "64"}, {200, 4, -1, "196"}, {128, 3, 0, ""}, {0, 0, 1, "1"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        const std::string path = home.Path("r" + std::to_string(c.stored) + ".mp3");
        MakeTaggedMp3(path, "T", "", "c", "", "", c.stored);
        LAudioTagMap tags;
        ReadAudioFileTags(&tags, path.c_str());
        auto dialog = Open(&tags);
        EXPECT_EQ(dialog->Rating().GetRating(), c.shown);
        if (c.set >= 0)
            dialog->Rating().SetRating(c.set);
        dialog->SendCommand(kCommandOK);
        ASSERT_TRUE(WriteEditedTags(&tags, path.c_str(), nullptr));
        auto after = Dump(path);
        if (c.popm[0] == '\0')
            EXPECT_EQ(after.count("POPM"), 0u);
        else
            EXPECT_EQ(after["POPM"], c.popm);
    }
}

TEST_F(DialogTest, DatesAreWrittenOnlyWhereThereWasOrIsOne)
{
    const struct
    {
        const char* what;
        const char* date; // the record's
        bool clear;
        bool userSets;
        const char* want; // "DATE" after OK; null: no key
    } cases[] = {
        {"no date, untouched", nullptr, false, false, nullptr},
        {"no date, cleared", nullptr, true, false, nullptr},
        {"a date, untouched", "1987-06-05", false, false, "1987-06-05"},
        {"a date, cleared", "1987-06-05", true, false, nullptr},
        {"no date, set by the user", nullptr, false, true, "2010-01-02"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LAudioTagMap tags;
        tags.Set("TITLE", "T");
        if (c.date) {
            tags.Set("DATE", c.date);
            tags.Set("TIME", "10:11:12");
        }
        auto dialog = Open(&tags);
        if (c.clear)
            dialog->SendCommand(IdTagDialog::kClear);
        if (c.userSets) {
            const int64_t when = TagDateTimeSeconds("2010-01-02", "03:04:05");
            dialog->SetDateTime(IdTagDialog::kDate, &when);
            dialog->SendCommand(IdTagDialog::kDate); // as the picker reports the user's change
        }
        EXPECT_EQ(dialog->DateSet(), c.want != nullptr);
        dialog->SendCommand(kCommandOK);
        EXPECT_STREQ(tags.Get("DATE"), c.want != nullptr ? c.want : "");
        if (c.clear) {
            EXPECT_STREQ(tags.Get("TITLE"), "");
        }
    }
}

TEST_F(DialogTest, APictureThatDoesNotDecodeIsRefused)
{
    const std::string good = MakePicture(home.Root(), "good.png");
    const std::string bad = home.Path("broken.jpg");
    WriteFileBytes(bad, std::string("\xFF\xD8\xFF\xE0 not really a picture", 29));
    LAudioTagMap tags;
    tags.Set("TITLE", "T");
    auto dialog = Open(&tags);
    EXPECT_FALSE(dialog->IsControlEnabled(IdTagDialog::kRemove));
    ASSERT_TRUE(dialog->UseArtworkFile(good.c_str()));
    EXPECT_TRUE(dialog->IsControlEnabled(IdTagDialog::kRemove));
    dialog->pick = bad;
    dialog->SendCommand(IdTagDialog::kBrowse);
    ASSERT_EQ(dialog->messages.size(), 1u);
    EXPECT_NE(dialog->messages[0].find(bad), std::string::npos) << dialog->messages[0];
    EXPECT_EQ(dialog->ArtworkPath(), good);
    EXPECT_TRUE(dialog->Artwork().HasPicture());
    dialog->SendCommand(kCommandOK);
    EXPECT_EQ(ReadFileBytes(tags.Get("IMAGE")), ReadFileBytes(good));
}

// The sheet runs modally: its page is filled and confirmed from inside the loop.
bool RunWavEditor(LAudioTagMap* tags, const std::function<void(AudioTagBasicPage&)>& edit)
{
    AudioTagEditorSheet sheet(tags, ".wav");
    bool ran = false;
    QTimer::singleShot(50, [&] {
        ran = true;
        edit(sheet.Basic());
        sheet.SendCommand(kCommandOK);
    });
    const bool ok = sheet.DoModal(nullptr, "Audio Tag Editor", 0);
    EXPECT_TRUE(ran);
    return ok;
}

std::string Samples(const std::string& path)
{
    return CaptureCommand("sox " + Quote(path) + " -t raw - 2>/dev/null | sha1sum | cut -c1-40");
}

TEST_F(DialogTest, WavEditorChangesInfoAndKeepsTheRest)
{
    const std::string path = home.Path("take.wav");
    MakeWav(path);
    {
        LAudioTagMap seed;
        seed.Set("TITLE", "Take One");
        seed.Set("ARTIST", "Band");
        seed.Set("GENRE", "Porch Stomp");
        seed.Set("ORIGINATOR", "Deck A");
        seed.Set("CUTID", "CUT42");
        seed.Set("DATE", "2019-08-07");
        seed.Set("TIME", "06:05:04");
        ASSERT_TRUE(WriteAudioFileTags(&seed, path.c_str()));
    }
    const std::string bytes = ReadFileBytes(path);
    const std::string bext = RiffChunk(bytes, "bext"), cart = RiffChunk(bytes, "cart");
    ASSERT_FALSE(bext.empty());
    ASSERT_FALSE(cart.empty());
    const std::string samples = Samples(path);

    LAudioTagMap tags;
    ReadAudioFileTags(&tags, path.c_str());
    ASSERT_TRUE(RunWavEditor(&tags, [&](AudioTagBasicPage& page) {
        char genre[260] = {};
        page.GetPullDownSelectedText(AudioTagBasicPage::kGenre, genre);
        EXPECT_STREQ(genre, "Porch Stomp");
        EXPECT_EQ(page.StartDateState(), AudioTagBasicPage::DateState::kFromFile);
        EXPECT_EQ(page.EndDateState(), AudioTagBasicPage::DateState::kNone);
        page.SetControlText(AudioTagBasicPage::kTitle, "Take Two");
    }));
    EXPECT_STREQ(tags.Get("GENRE"), "Porch Stomp");
    EXPECT_STREQ(tags.Get("ENDDATE"), "") << "no end date was invented";
    ASSERT_TRUE(WriteEditedTags(&tags, path.c_str(), nullptr));

    const std::string now = ReadFileBytes(path);
    EXPECT_NE(RiffChunk(now, "LIST").find("Take Two"), std::string::npos);
    EXPECT_EQ(Samples(path), samples);
    LAudioTagMap back;
    ReadAudioFileTags(&back, path.c_str());
    EXPECT_STREQ(back.Get("TITLE"), "Take Two");
    EXPECT_STREQ(back.Get("ORIGINATOR"), "Deck A");
    EXPECT_STREQ(back.Get("CUTID"), "CUT42");
    EXPECT_STREQ(back.Get("GENRE"), "Porch Stomp");
    EXPECT_STREQ(back.Get("DATE"), "2019-08-07");
    if (HaveTool("exiftool")) {
        const std::string exif = CaptureCommand("exiftool -s -Title -Originator " + Quote(path));
        EXPECT_NE(exif.find("Take Two"), std::string::npos) << exif;
        EXPECT_NE(exif.find("Deck A"), std::string::npos) << exif;
    }

    // Clear Data empties the fields and the dates.
    ASSERT_TRUE(RunWavEditor(
        &back, [](AudioTagBasicPage& page) { page.SendCommand(AudioTagBasicPage::kClearData); }));
    EXPECT_STREQ(back.Get("TITLE"), "");
    EXPECT_STREQ(back.Get("GENRE"), "");
    EXPECT_STREQ(back.Get("DATE"), "");
    EXPECT_STREQ(back.Get("TIME"), "");
}

TEST_F(DialogTest, EditAudioTagsReportsOnlyWhatTheUserChanged)
{
    const struct
    {
        const char* what;
        const char* genre; // the first file's
        std::function<void(LWindow&)> edit;
        TagChanges want;
    } cases[] = {
        {"untouched, no genre", nullptr, [](LWindow&) {}, {}},
        {"untouched, an own genre", "Porch Stomp", [](LWindow&) {}, {}},
        {"new artist and album",
         "Rock",
         [](LWindow& w) {
             w.SetControlText(EditAudioTagsDialog::kArtist, "A");
             w.SetControlText(EditAudioTagsDialog::kAlbum, "B");
         },
         {{"ARTIST", "A"}, {"ALBUM", "B"}}},
        {"a genre picked",
         nullptr,
         [](LWindow& w) { w.SelectPullDownText(EditAudioTagsDialog::kGenre, "Jazz"); },
         {{"GENRE", "Jazz"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LAudioTagMap tags;
        tags.Set("ARTIST", "Old");
        tags.Set("COMMENT", "first file's note");
        if (c.genre)
            tags.Set("GENRE", c.genre);
        EditAudioTagsDialog dialog(&tags);
        ASSERT_TRUE(dialog.CreateFromTemplate(EditAudioTagsDialog::Template()));
        ASSERT_TRUE(dialog.ShowModeless(nullptr, LPlacementCenterOnScreen));
        char genre[260] = {};
        dialog.GetPullDownSelectedText(EditAudioTagsDialog::kGenre, genre);
        EXPECT_STREQ(genre, c.genre ? c.genre : "");
        EXPECT_EQ(Text(&dialog, EditAudioTagsDialog::kTrack), "%auto%");
        c.edit(dialog);
        dialog.SendCommand(kCommandOK);
        EXPECT_EQ(dialog.Changes(), c.want);
    }
}

} // namespace

namespace {

TEST_F(DialogTest, ArtworkMenuOffersWhatFitsAndReachesTheDialog)
{
    const std::string picture = MakePicture(home.Root(), "p.png");
    LAudioTagMap tags;
    tags.Set("TITLE", "T");
    auto dialog = Open(&tags);
    int commands[2] = {}, count = 0;
    dialog->Artwork().MenuCommands(commands, &count);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(commands[0], LArtworkView::kBrowseCommand);
    dialog->pick = picture;
    dialog->Artwork().OnMenuCommand(LArtworkView::kBrowseCommand, 0);
    EXPECT_EQ(dialog->ArtworkPath(), picture);
    dialog->Artwork().MenuCommands(commands, &count);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(commands[1], LArtworkView::kRemoveCommand);
    dialog->Artwork().OnMenuCommand(LArtworkView::kRemoveCommand, 0);
    EXPECT_EQ(dialog->ArtworkPath(), "");
    EXPECT_FALSE(dialog->Artwork().HasPicture());
    EXPECT_TRUE(dialog->Artwork().MenuEnabled());

    // Formats whose tags hold no pictures here turn the picture off.
    auto flac = Open(&tags, ".flac");
    EXPECT_FALSE(flac->IsControlEnabled(IdTagDialog::kBrowse));
    EXPECT_FALSE(flac->Artwork().MenuEnabled());
    auto wma = Open(&tags, ".wma");
    EXPECT_FALSE(wma->IsControlEnabled(IdTagDialog::kPlayCount));
    EXPECT_TRUE(wma->IsControlEnabled(IdTagDialog::kBrowse));
}

} // namespace

// Help in each tag dialog hands the knowledge-base article to the browser
// (a recording xdg-open), at the site QUORIN_SITE names.
class TagDialogHelp : public DialogTest
{
protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        setenv("QUORIN_SITE", "https://127.0.0.1:9", 1);
    }
    void TearDown() override { unsetenv("QUORIN_SITE"); }
    quorin::test::RecordedOpener opener_{home.Root()};
};

TEST_F(TagDialogHelp, EveryTagDialogOpensTheTagEditingArticle)
{
    const std::string article = "https://127.0.0.1:9/kb/10061.html";
    LAudioTagMap tags;
    {
        auto dialog = Open(&tags);
        dialog->SendCommand(kCommandHelp);
        ASSERT_EQ(opener_.Opened(1), std::vector<std::string>{article}) << "ID Tag";
        EXPECT_TRUE(dialog->IsVisible());
        dialog->SendCommand(kCommandCancel);
    }
    {
        EditAudioTagsDialog dialog(&tags);
        ASSERT_TRUE(dialog.CreateFromTemplate(EditAudioTagsDialog::Template()));
        ASSERT_TRUE(dialog.ShowModeless(nullptr, LPlacementCenterOnScreen));
        dialog.SendCommand(kCommandHelp);
        ASSERT_EQ(opener_.Opened(2), std::vector<std::string>(2, article)) << "Edit Audio Tags";
        dialog.SendCommand(kCommandCancel);
    }
    RunWavEditor(&tags, [](AudioTagBasicPage& page) { page.SendCommand(kCommandHelp); });
    EXPECT_EQ(opener_.Opened(3), std::vector<std::string>(3, article)) << "Audio Tag Editor";
}
