// File and folder panels on QFileDialog (the toolkit's own, so that they
// look and behave alike everywhere); groups become the name filters.

#include "foundation/files/LFileExists.h"
#include "foundation/platform/LStandardFolders.h"
#include "foundation/text/LUtf8.h"
#include "gui/framework/LApplication.h"
#include "gui/framework/LFilePanels.h"
#include "gui/framework/LMessageBox.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/LQtView.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include <cstring>

namespace {

constexpr size_t kPathSize = 260;

QWidget* OwnerWidget(LViewHandle owner)
{
    if (!owner)
        return nullptr;
    if (LWindow* window = LGetWindowFromView(owner))
        if (!window->IsEnabled() || !window->IsVisible())
            window->ShowWindow(true);
    return LQtWidget(owner)->window();
}

bool IsFolder(const char* path)
{
    return path && *path && QFileInfo(QString::fromUtf8(path)).isDir();
}

// A path the caller's buffer cannot hold is refused, not cut.
bool Fits(LViewHandle owner, const QByteArray& path)
{
    if (static_cast<size_t>(path.size()) < kPathSize)
        return true;
    LMessageBox box(owner,
                    "The path of the chosen item is too long for this program. Please choose an item with a "
                    "shorter path.",
                    "Path Too Long");
    box.style = LMessageBoxCriticalStyle;
    box.Show();
    return false;
}

QString NameFilter(const LFileTypeFilter& filter, int group)
{
    const std::vector<std::string> types = filter.AllowedTypes(group);
    QStringList patterns;
    for (const std::string& type : types)
        patterns << QStringLiteral("*.%1").arg(QString::fromUtf8(type.c_str()));
    if (patterns.isEmpty())
        patterns << QStringLiteral("*");
    return QStringLiteral("%1 (%2)").arg(
        QString::fromUtf8(filter.groups[static_cast<size_t>(group - 1)].c_str()), patterns.join(' '));
}

// Runs the dialog modally with the main menu disabled while it is up.
bool Run(QFileDialog& dialog)
{
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setWindowModality(Qt::ApplicationModal);
    // Nobody is left to choose once the session ends.
    if (LIsSessionEnding())
        return false;
    LIncrementModalDepth();
    const int result = dialog.exec();
    LDecrementModalDepth();
    return result == QDialog::Accepted;
}

// Filters of a filter list on the dialog; the group shown first.
void ApplyFilters(QFileDialog& dialog, const LFileTypeFilter& filter)
{
    if (filter.Empty())
        return;
    QStringList names;
    for (int group = 1; group <= static_cast<int>(filter.groups.size()); ++group)
        names << NameFilter(filter, group);
    dialog.setNameFilters(names);
    const int first = std::max(1, filter.defaultGroup);
    if (first <= names.size())
        dialog.selectNameFilter(names[first - 1]);
}

int ChosenGroup(const QFileDialog& dialog, const LFileTypeFilter& filter)
{
    if (filter.Empty())
        return 0;
    for (int group = 1; group <= static_cast<int>(filter.groups.size()); ++group)
        if (NameFilter(filter, group) == dialog.selectedNameFilter())
            return group;
    return 0;
}

void StartIn(QFileDialog& dialog, const char* folder)
{
    if (IsFolder(folder))
        dialog.setDirectory(QString::fromUtf8(folder));
}

// In files-and-folders mode, Open takes the selected folders with the files
// instead of opening the folder; a double click still goes into it.
class LQtFilesAndFoldersDialog : public QFileDialog
{
public:
    using QFileDialog::QFileDialog;
    bool takeFolders = false;
    QStringList chosen;

protected:
    void accept() override
    {
        if (!takeFolders) {
            QFileDialog::accept();
            return;
        }
        const QStringList files = selectedFiles();
        for (const QString& file : files)
            if (!QFileInfo::exists(file))
                return;
        chosen = files;
        QDialog::accept();
    }
};

} // namespace

int LBrowseForFolder(LViewHandle owner, char* folder, const char* title, const bool* canCreateFolders,
                     const char* prompt)
{
    QFileDialog dialog(OwnerWidget(owner), QString::fromUtf8(title ? title : ""));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setOption(QFileDialog::ReadOnly, canCreateFolders && !*canCreateFolders);
    dialog.setLabelText(QFileDialog::Accept, QString::fromUtf8(prompt ? prompt : "Choose"));
    if (IsFolder(folder)) {
        dialog.setDirectory(QString::fromUtf8(folder));
    } else {
        char desktop[kPathSize] = {};
        if (LGetUserFolder(desktop, "DESKTOP", "Desktop"))
            dialog.setDirectory(QString::fromUtf8(desktop));
    }
    if (!Run(dialog) || dialog.selectedFiles().isEmpty())
        return 0;
    const QByteArray chosen = QDir::cleanPath(dialog.selectedFiles().first()).toUtf8();
    if (!Fits(owner, chosen))
        return 0;
    if (folder)
        std::memcpy(folder, chosen.constData(), static_cast<size_t>(chosen.size()) + 1);
    return 1;
}

int LChooseFolder(LViewHandle owner, char* folder, const char* title, const char* prompt)
{
    const bool canCreate = true;
    return LBrowseForFolder(owner, folder, title, &canCreate, prompt);
}

int LOpenFileDialog(LViewHandle owner, char* path, const char* title, char* initialFolder,
                    const char* filters, const char* defaultExtension, const char* prompt, int* defaultGroup)
{
    const LFileTypeFilter filter =
        LFileTypeFilter::Parse(filters, defaultExtension, defaultGroup ? *defaultGroup : 0);
    QFileDialog dialog(OwnerWidget(owner), QString::fromUtf8(title ? title : ""));
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (prompt)
        dialog.setLabelText(QFileDialog::Accept, QString::fromUtf8(prompt));
    StartIn(dialog, initialFolder);
    ApplyFilters(dialog, filter);
    if (!Run(dialog) || dialog.selectedFiles().isEmpty())
        return 0;
    const QString file = dialog.selectedFiles().first();
    const QByteArray chosen = file.toUtf8();
    const QByteArray folder = QFileInfo(file).absolutePath().toUtf8();
    if (!Fits(owner, chosen) || !Fits(owner, folder))
        return 0;
    if (path)
        std::memcpy(path, chosen.constData(), static_cast<size_t>(chosen.size()) + 1);
    if (initialFolder)
        std::memcpy(initialFolder, folder.constData(), static_cast<size_t>(folder.size()) + 1);
    if (defaultGroup && !filter.Empty())
        *defaultGroup = ChosenGroup(dialog, filter);
    return 1;
}

int LOpenFilesOrFoldersDialog(LViewHandle owner, LStringList* paths, const char* title, char* initialFolder,
                              const char* filters, const char* defaultExtension, const char* prompt,
                              int* defaultGroup, bool allowFolders)
{
    const LFileTypeFilter filter =
        LFileTypeFilter::Parse(filters, defaultExtension, defaultGroup ? *defaultGroup : 0);
    LQtFilesAndFoldersDialog dialog(OwnerWidget(owner), QString::fromUtf8(title ? title : ""));
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.takeFolders = allowFolders;
    if (prompt)
        dialog.setLabelText(QFileDialog::Accept, QString::fromUtf8(prompt));
    StartIn(dialog, initialFolder);
    ApplyFilters(dialog, filter);
    if (!Run(dialog))
        return 0;
    const QStringList files = allowFolders ? dialog.chosen : dialog.selectedFiles();
    if (files.isEmpty())
        return 0;
    const QByteArray folder = QFileInfo(files.first()).absolutePath().toUtf8();
    if (!Fits(owner, folder))
        return 0;
    if (paths) {
        paths->RemoveAll();
        for (const QString& file : files)
            paths->Add(file.toUtf8().constData());
    }
    if (initialFolder)
        std::memcpy(initialFolder, folder.constData(), static_cast<size_t>(folder.size()) + 1);
    if (defaultGroup && !filter.Empty())
        *defaultGroup = ChosenGroup(dialog, filter);
    return 1;
}

int LOpenFilesDialog(LViewHandle owner, LStringList* paths, const char* title, char* initialFolder,
                     const char* filters, const char* defaultExtension, const char* prompt, int* defaultGroup)
{
    return LOpenFilesOrFoldersDialog(owner, paths, title, initialFolder, filters, defaultExtension, prompt,
                                     defaultGroup, false);
}
