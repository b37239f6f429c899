// The program's main window over a temporary output folder: two WAV files
// and an MP3 made now with sox and lame, the MP3 still being processed by
// the queue; and the same window with an empty folder.
#include "QdGuiScene.h"

#include "app/program/MainDialog.h"
#include "app/queue/ProcessQueueWorker.h"
#include "app/queue/QueueNotices.h"
#include "foundation/files/LFile.h"
#include "foundation/settings/LSettings.h"

#include <cstdlib>
#include <memory>
#include <string>

namespace {

std::string Quote(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

bool Run(const std::string& command)
{
    return std::system(command.c_str()) == 0;
}

// A home of its own, so the scene never reads or writes the user's settings.
struct SceneHome
{
    std::string root;
    SceneHome()
    {
        char pattern[] = "/tmp/qd-gui-main.XXXXXX";
        if (mkdtemp(pattern) != nullptr)
            root = pattern;
        for (const char* sub : {"/config", "/data", "/cache", "/music", "/music/Quorin"})
            Run("mkdir -p " + Quote(root + sub));
        setenv("HOME", root.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
        setenv("XDG_DATA_HOME", (root + "/data").c_str(), 1);
        setenv("XDG_CACHE_HOME", (root + "/cache").c_str(), 1);
        LSettingsSetString("Settings", "AppOutputFolder", (root + "/music/Quorin").c_str());
        LSettingsSetString("Settings", "MainWindowShownAtStartup", "1");
    }
    ~SceneHome()
    {
        if (!root.empty())
            Run("rm -rf " + Quote(root));
    }
    std::string Output(const std::string& name) const { return root + "/music/Quorin/" + name; }
};

class SceneMainDialog : public MainDialog
{
public:
    explicit SceneMainDialog(ProcessQueueWorker& worker) : MainDialog(worker) {}
    // The scene shows the window alone: no wizard, no questions.
    void OpenRecordingWizard() override {}
    int Ask(const char*, const char*, const char*, const char*) override { return 1; }
    void Tell(const char*, const char*, int) override {}
    void CloseForScene()
    {
        if (IsWindow() && !IsClosed())
            QueryQuit();
    }
};

struct Scene
{
    SceneHome home;
    std::unique_ptr<ProcessQueueWorker> worker;
    LFile heldQueue;
    std::unique_ptr<SceneMainDialog> window;
};

bool Build(QdGuiSceneContext& context, bool withFiles)
{
    auto scene = std::make_shared<Scene>();
    if (scene->home.root.empty())
        return false;
    const std::string queuePath = scene->home.root + "/cache/grprocesses.list";
    scene->worker = std::make_unique<ProcessQueueWorker>(queuePath.c_str());
    if (withFiles) {
        const std::string tone = " synth ";
        if (!Run("sox -q -n -r 44100 -c 2 -b 16 " + Quote(scene->home.Output("Side A - Track 01.wav")) +
                 tone + "184.2 sine 440 vol 0.1") ||
            !Run("sox -q -n -r 44100 -c 2 -b 16 " + Quote(scene->home.Output("Side A - Track 02.wav")) +
                 tone + "247.9 sine 330 vol 0.1") ||
            !Run("sox -q -n -r 44100 -c 2 -b 16 " + Quote(scene->home.root + "/side-b.wav") + tone +
                 "12.5 sine 220 vol 0.1") ||
            !Run("lame --quiet " + Quote(scene->home.root + "/side-b.wav") + " " +
                 Quote(scene->home.Output("Side B - Track 01.mp3"))))
            return false;
        // A fourth recording waits in the queue while another worker holds
        // it: the status bar shows it as being processed.
        ProcessQueueFile other(queuePath.c_str());
        other.TryLockWorker(scene->heldQueue);
        EnqueueRecording(*scene->worker, (scene->home.root + "/side-b.wav").c_str(),
                         scene->home.Output("Side B - Track 02.wav").c_str(), scene->home.Output("").c_str(),
                         ".wav", "0:00:12", false, false, "");
    }
    scene->window = std::make_unique<SceneMainDialog>(*scene->worker);
    SceneMainDialog* window = scene->window.get();
    window->CreateMainWindow();
    window->InitMainWindow();
    // A fixed size in points, so the scale-2 shot is exactly twice the other.
    const double scale = window->GetScaleFactor();
    window->SetMinSize(1, 1);
    window->SetSize(static_cast<int>(760 * scale), static_cast<int>(420 * scale));
    if (withFiles) {
        QueueNotice progress;
        progress.code = kQueueNoticeProgress;
        progress.text = "Converting Side B - Track 02 ";
        progress.percent = 40;
        QueueReporter().Post(progress);
    }
    const int rows = withFiles ? 3 : 0;
    context.window = window;
    context.ready = [window, rows, withFiles] {
        return window->IsVisible() && window->RowCount() == rows && !window->IsTimerSet(4) &&
               (!withFiles || window->FilesBeingProcessed() == 1);
    };
    context.cleanup = [scene] {
        scene->window->CloseForScene();
        scene->window.reset();
        scene->heldQueue.Close();
        scene->worker->Shutdown();
    };
    return window->IsWindow();
}

QD_GUI_SCENE("main-window", [](QdGuiSceneContext& c) { return Build(c, true); });
QD_GUI_SCENE("main-window-empty", [](QdGuiSceneContext& c) { return Build(c, false); });

} // namespace
