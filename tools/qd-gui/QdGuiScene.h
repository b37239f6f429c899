#pragma once
// The test windows of qd-gui. Each scene lives in a scene_<name>.cpp of its
// own and registers itself with QD_GUI_SCENE, so adding one touches no list.

#include <QImage>

#include <functional>
#include <map>
#include <string>

class LWindow;
class QWidget;

struct QdGuiSceneContext
{
    // Set by the builder: the window to grab once ready() holds (a window
    // that shows modally grabs itself with capture() from inside its loop).
    LWindow* window = nullptr;
    QWidget* widget = nullptr;
    std::function<bool()> ready;
    std::function<void()> cleanup;

    // Grabs widget now (device pixels); the shot then uses this picture.
    void capture(QWidget* target);
    QImage captured;
};

using QdGuiSceneBuilder = std::function<bool(QdGuiSceneContext&)>;

std::map<std::string, QdGuiSceneBuilder>& QdGuiScenes();

struct QdGuiSceneRegistrar
{
    QdGuiSceneRegistrar(const char* name, QdGuiSceneBuilder builder)
    {
        QdGuiScenes()[name] = std::move(builder);
    }
};

#define QD_GUI_SCENE_CONCAT2(a, b) a##b
#define QD_GUI_SCENE_CONCAT(a, b) QD_GUI_SCENE_CONCAT2(a, b)
#define QD_GUI_SCENE(name, builder)                                                                          \
    static QdGuiSceneRegistrar QD_GUI_SCENE_CONCAT(qdGuiScene, __LINE__)(name, builder)
