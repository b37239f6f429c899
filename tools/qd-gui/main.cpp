// qd-gui: names the test windows of the window framework and renders them to
// PNG files, and runs operations under the progress dialog.
//   qd-gui list [--drivable]
//   qd-gui drive WINDOW [ARG...] -- STEP...
//   qd-gui shot NAME OUT.png [--scale N]
//   qd-gui progress [--cancel-after MS] [--shot OUT.png] normalize IN.wav OUT.wav
//   qd-gui progress [--cancel-after MS] [--shot OUT.png] run -- CMD ARGS...

#include "QdGuiCommand.h"
#include "QdGuiDrive.h"
#include "QdGuiScene.h"

#include "gui/framework/LEventPump.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/LQtView.h"
#include "gui/qt/app/LQtMainThreadDispatcher.h"

#include <QApplication>
#include <QPixmap>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

std::map<std::string, QdGuiSceneBuilder>& QdGuiScenes()
{
    static std::map<std::string, QdGuiSceneBuilder> scenes;
    return scenes;
}

std::map<std::string, QdGuiCommand>& QdGuiCommands()
{
    static std::map<std::string, QdGuiCommand> commands;
    return commands;
}

void QdGuiSceneContext::capture(QWidget* target)
{
    QPixmap pixmap = target->grab();
    captured = pixmap.toImage();
}

namespace {

int Usage()
{
    std::fprintf(stderr,
                 "usage: qd-gui list [--drivable]\n"
                 "       qd-gui shot NAME OUT.png [--scale N]\n"
                 "       qd-gui drive WINDOW [ARG...] -- STEP...\n"
                 "       qd-gui progress [--cancel-after MS] [--shot OUT.png] normalize IN.wav OUT.wav\n"
                 "       qd-gui progress [--cancel-after MS] [--shot OUT.png] run -- CMD ARGS...\n");
    return 2;
}

int Shot(int argc, char** argv)
{
    if (argc < 2)
        return Usage();
    std::string name = argv[0];
    std::string out = argv[1];
    auto it = QdGuiScenes().find(name);
    if (it == QdGuiScenes().end()) {
        std::fprintf(stderr, "qd-gui: no window named \"%s\" (see qd-gui list)\n", name.c_str());
        return 1;
    }
    QdGuiSceneContext context;
    if (!it->second(context)) {
        std::fprintf(stderr, "qd-gui: %s could not be built\n", name.c_str());
        return 2;
    }
    QImage image = context.captured;
    if (image.isNull()) {
        QWidget* target = context.widget;
        if (target == nullptr && context.window != nullptr && context.window->GetView() != nullptr)
            target = LQtWidget(context.window->GetView())->window();
        if (target == nullptr) {
            std::fprintf(stderr, "qd-gui: %s has no window to grab\n", name.c_str());
            return 2;
        }
        if (context.ready && LWaitWithMessagePump(context.ready, true, 5000) != 1) {
            std::fprintf(stderr, "qd-gui: %s did not become ready\n", name.c_str());
            return 2;
        }
        LWaitWithMessagePump([] { return false; }, true, 30); // let it paint
        image = target->grab().toImage();
    }
    if (context.cleanup)
        context.cleanup();
    if (image.isNull() || !image.save(QString::fromStdString(out), "PNG")) {
        std::fprintf(stderr, "qd-gui: cannot write %s\n", out.c_str());
        return 2;
    }
    std::printf("%s %dx%d\n", name.c_str(), image.width(), image.height());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    // A file-size limit then fails the write with its message instead of killing the tool.
    std::signal(SIGXFSZ, SIG_IGN);
    if (argc < 2)
        return Usage();
    std::string command = argv[1];
    if (command == "list" && argc > 2 && std::strcmp(argv[2], "--drivable") == 0) {
        for (const auto& [name, drivable] : QdGuiDrivables())
            std::printf("%s\n",
                        drivable.usage.empty() ? name.c_str() : (name + " " + drivable.usage).c_str());
        return 0;
    }
    if (command == "list") {
        for (const auto& scene : QdGuiScenes())
            std::printf("%s\n", scene.first.c_str());
        return 0;
    }
    // Options the toolkit must see before it starts.
    for (int i = 2; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--scale") == 0)
            setenv("QT_SCALE_FACTOR", argv[i + 1], 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // The offscreen platform's own screen is 800 x 800: windows are kept on
    // their screen, so a shot at scale 2 would show them squeezed. One large
    // screen gives every window its own size at either scale.
    char screens[] = "/tmp/qd-gui-screens-XXXXXX";
    bool ownScreen = false;
    if (std::strcmp(std::getenv("QT_QPA_PLATFORM"), "offscreen") == 0) {
        const int fd = mkstemp(screens);
        if (FILE* file = fd >= 0 ? fdopen(fd, "w") : nullptr) {
            std::fputs(R"({"screens":[{"name":"Shots","x":0,"y":0,"width":4096,"height":2560,"dpr":1}]})",
                       file);
            ownScreen = std::fclose(file) == 0;
        } else if (fd >= 0) {
            close(fd);
        }
        if (ownScreen)
            setenv("QT_QPA_PLATFORM", (std::string("offscreen:configfile=") + screens).c_str(), 1);
        else if (fd >= 0)
            unlink(screens);
    }
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    if (ownScreen) {
        // Read while the platform started; children see plain offscreen.
        unlink(screens);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    LQtMainThreadDispatcher::Install();
    if (command == "shot") {
        std::vector<char*> rest;
        for (int i = 2; i < argc; ++i) {
            if (std::strcmp(argv[i], "--scale") == 0) {
                ++i;
                continue;
            }
            rest.push_back(argv[i]);
        }
        return Shot(static_cast<int>(rest.size()), rest.data());
    }
    auto it = QdGuiCommands().find(command);
    if (it == QdGuiCommands().end())
        return Usage();
    return it->second(argc - 2, argv + 2);
}
