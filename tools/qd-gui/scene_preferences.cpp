// "Quorin Preferences" on each of its pages and "Output Format", filled
// from settings of a home of their own (a copy folder, a template with the
// date and the number, an MP3 action) so that every control shows something.
#include "QdGuiScene.h"

#include "app/program/preferences/OutputFormatPage.h"
#include "app/program/preferences/PreferencesSheet.h"
#include "foundation/settings/LSettings.h"
#include "gui/framework/LCommands.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <cstdlib>
#include <string>

namespace {

std::string gHome;

void UsePrivateHome()
{
    if (!gHome.empty())
        return;
    char pattern[] = "/tmp/qd-gui-preferences.XXXXXX";
    if (mkdtemp(pattern) == nullptr)
        return;
    gHome = pattern;
    setenv("HOME", pattern, 1);
    setenv("XDG_CONFIG_HOME", (gHome + "/.config").c_str(), 1);
    setenv("XDG_CACHE_HOME", (gHome + "/.cache").c_str(), 1);
    setenv("XDG_DATA_HOME", (gHome + "/.local/share").c_str(), 1);
    setenv("XDG_MUSIC_DIR", (gHome + "/Music").c_str(), 1);
}

void RemovePrivateHome()
{
    if (!gHome.empty())
        std::system(("rm -rf '" + gHome + "'").c_str());
    gHome.clear();
}

void FillSettings()
{
    LSettingsSetString("Settings", "AppOutputFolder", (gHome + "/Music/Quorin").c_str());
    LSettingsSetString("Settings", "UseMinTime", "1");
    LSettingsSetString("Settings", "MinTime", "5");
    LSettingsSetString("Settings", "RecordTone", "1");
    LSettingsSetString("Recording", "Volume", "-6");
    LSettingsSetString("Settings", "dBNoiseFloor", "-42");
    LSettingsSetString("RecordingSource", "Amp", "0");
    LSettingsSetString("OutputFormat", "OutputFormatNum", "1");
    LSettingsSetString("OutputFormat", "MakeCopy", "1");
    LSettingsSetString("OutputFormat", "OutputFolder", (gHome + "/Music/Copies").c_str());
    LSettingsSetString("OutputFormat", "FileNameFormat", "Side A %YYYY% %autonumber%");
    LSettingsSetString("AudioRestoration", "ClickPop", "1");
    LSettingsSetString("AudioRestoration", "Normalization", "1");
}

// The sheets run modally: each is grabbed from inside its loop.
template <typename Run> bool CaptureModal(QdGuiSceneContext& context, LWindow* sheet, Run run)
{
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&context, &poll, sheet] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        poll.stop();
        QTimer::singleShot(120, modal, [&context, modal, sheet] {
            context.capture(modal);
            sheet->SendCommand(kCommandCancel);
        });
    });
    poll.start(20);
    run();
    RemovePrivateHome();
    return !context.captured.isNull();
}

bool BuildPreferences(QdGuiSceneContext& context, int page)
{
    UsePrivateHome();
    FillSettings();
    PreferencesSheet sheet;
    return CaptureModal(context, &sheet, [&] { sheet.DoModal(nullptr, "Quorin Preferences", page); });
}

bool BuildOutputFormat(QdGuiSceneContext& context)
{
    UsePrivateHome();
    FillSettings();
    OutputFormatSheet sheet;
    return CaptureModal(context, &sheet, [&] { sheet.DoModal(nullptr, "Output Format", 0); });
}

} // namespace

QD_GUI_SCENE("preferences-general", [](QdGuiSceneContext& context) { return BuildPreferences(context, 0); });
QD_GUI_SCENE("preferences-audio", [](QdGuiSceneContext& context) { return BuildPreferences(context, 1); });
QD_GUI_SCENE("output-format", BuildOutputFormat);
