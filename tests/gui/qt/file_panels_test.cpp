// The file and folder panels driven by a timer as a user would: the chosen
// path and group come back, Cancel changes no buffer, and a path that does
// not fit the caller's buffer is refused rather than cut.

#include "gui/GuiTestSupport.h"

#include "gui/framework/LFilePanels.h"
#include "support/TempHome.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <sys/stat.h>

using namespace quorin::test;

namespace {

void Touch(const std::string& path)
{
    std::ofstream(path) << "x";
}

// Runs action on the first modal widget of type T that shows.
template <typename T> void WhenShown(std::function<void(T*)> action)
{
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, action] {
        auto* widget = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!widget || !widget->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        action(widget);
    });
    poll->start(10);
}

const std::string kFilters = std::string("Audio Files\0*.wav;*.mp3\0All Files\0*.*\0\0", 40);

TEST(FilePanels, OpenFileReturnsThePathTheFolderAndTheGroup)
{
    GuiApp();
    TempDir dir;
    Touch(dir.Path("side a.wav"));
    Touch(dir.Path("notes.txt"));
    char path[260] = "unchanged";
    char folder[260];
    std::strcpy(folder, dir.Path().c_str());
    int group = 0;
    WhenShown<QFileDialog>([&](QFileDialog* dialog) {
        EXPECT_EQ(dialog->directory().absolutePath().toStdString(), dir.Path());
        EXPECT_EQ(dialog->nameFilters().size(), 2);
        EXPECT_EQ(dialog->selectedNameFilter(), QString("Audio Files (*.wav *.mp3)")) << "from .MP3";
        dialog->selectNameFilter("All Files (*)");
        dialog->selectFile(QString::fromStdString(dir.Path("notes.txt")));
        static_cast<QDialog*>(dialog)->accept();
    });
    EXPECT_EQ(LOpenFileDialog(nullptr, path, "Open", folder, kFilters.c_str(), ".MP3", nullptr, &group), 1);
    EXPECT_EQ(std::string(path), dir.Path("notes.txt"));
    EXPECT_EQ(std::string(folder), dir.Path());
    EXPECT_EQ(group, 2);
}

TEST(FilePanels, CancelKeepsEveryBuffer)
{
    GuiApp();
    TempDir dir;
    char path[260] = "old path";
    char folder[260] = "/no/such/folder";
    int group = 1;
    WhenShown<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
    EXPECT_EQ(LOpenFileDialog(nullptr, path, "Open", folder, kFilters.c_str(), "wav", nullptr, &group), 0);
    EXPECT_STREQ(path, "old path");
    EXPECT_STREQ(folder, "/no/such/folder");
    EXPECT_EQ(group, 1);

    LStringList paths;
    paths.Add("kept");
    WhenShown<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
    EXPECT_EQ(LOpenFilesDialog(nullptr, &paths, "Add", folder, nullptr, nullptr, nullptr, nullptr), 0);
    ASSERT_EQ(paths.Count(), 1u);
    EXPECT_STREQ(paths.Get(0), "kept");
}

TEST(FilePanels, SeveralFilesComeBackInOrder)
{
    GuiApp();
    TempDir dir;
    for (const char* name : {"Track 1.wav", "Track 2.wav", "Trâck 3.wav"})
        Touch(dir.Path(name));
    char folder[260];
    std::strcpy(folder, dir.Path().c_str());
    LStringList paths;
    WhenShown<QFileDialog>([&](QFileDialog* dialog) {
        auto* edit = dialog->findChild<QLineEdit*>();
        ASSERT_NE(edit, nullptr);
        edit->setText("\"Track 1.wav\" \"Trâck 3.wav\"");
        static_cast<QDialog*>(dialog)->accept();
    });
    EXPECT_EQ(LOpenFilesDialog(nullptr, &paths, "Add", folder, kFilters.c_str(), nullptr, nullptr, nullptr),
              1);
    ASSERT_EQ(paths.Count(), 2u);
    EXPECT_EQ(std::string(paths.Get(0)), dir.Path("Track 1.wav"));
    EXPECT_EQ(std::string(paths.Get(1)), dir.Path("Trâck 3.wav"));
}

TEST(FilePanels, FilesAndFoldersTogether)
{
    GuiApp();
    TempDir dir;
    Touch(dir.Path("side a.wav"));
    mkdir(dir.Path("Side B").c_str(), 0700);
    char folder[260];
    std::strcpy(folder, dir.Path().c_str());
    LStringList paths;
    WhenShown<QFileDialog>([&](QFileDialog* dialog) {
        dialog->findChild<QLineEdit*>()->setText("\"side a.wav\" \"Side B\"");
        static_cast<QDialog*>(dialog)->accept();
    });
    EXPECT_EQ(
        LOpenFilesOrFoldersDialog(nullptr, &paths, "Add", folder, nullptr, nullptr, nullptr, nullptr, true),
        1);
    ASSERT_EQ(paths.Count(), 2u);
    EXPECT_EQ(std::string(paths.Get(0)), dir.Path("side a.wav"));
    EXPECT_EQ(std::string(paths.Get(1)), dir.Path("Side B"));
}

TEST(FilePanels, FolderPanelAndAPathTooLongForTheBuffer)
{
    GuiApp();
    TempDir dir;
    const std::string sub = dir.Path("Recordings");
    mkdir(sub.c_str(), 0700);
    char folder[260];
    std::strcpy(folder, dir.Path().c_str());
    WhenShown<QFileDialog>([&](QFileDialog* dialog) {
        EXPECT_TRUE(dialog->fileMode() == QFileDialog::Directory);
        dialog->selectFile(QString::fromStdString(sub));
        static_cast<QDialog*>(dialog)->accept();
    });
    EXPECT_EQ(LChooseFolder(nullptr, folder, "Choose", nullptr), 1);
    EXPECT_EQ(std::string(folder), sub);

    // A folder whose path needs more than 259 bytes is refused with a message.
    std::string deep = dir.Path();
    while (deep.size() < 300) {
        deep += "/a-rather-long-folder-name";
        mkdir(deep.c_str(), 0700);
    }
    std::strcpy(folder, dir.Path().c_str());
    bool told = false;
    WhenShown<QFileDialog>([&](QFileDialog* dialog) {
        WhenShown<QMessageBox>([&](QMessageBox* box) {
            told = true;
            box->accept();
        });
        dialog->selectFile(QString::fromStdString(deep));
        static_cast<QDialog*>(dialog)->accept();
    });
    EXPECT_EQ(LChooseFolder(nullptr, folder, "Choose", nullptr), 0);
    EXPECT_TRUE(told);
    EXPECT_EQ(std::string(folder), dir.Path());
}

} // namespace
