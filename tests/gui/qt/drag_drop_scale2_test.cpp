// Drops at scale 2: files from another program reach the window's handler
// whole (blanks, non-ASCII names, any count); a drag from inside the program
// reaches a drop target with its MIME flavor, its bytes and the drop point in
// window pixels, the toolbar's height added.

#include "gui/GuiTestSupport.h"

#include "foundation/ini/LRegistries.h"
#include "gui/framework/LDragDrop.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/LQtView.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QToolBar>
#include <QUrl>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace quorin::test;

namespace {

class DropWindow : public LWindow
{
};

class Files : public LDragDropHandler
{
public:
    void OnDrop(const LDragInfo& info) override
    {
        LDropFileList list;
        list.Start(info);
        count = list.count;
        for (; list.index <= list.count; list.Next())
            paths.push_back(list.current);
    }
    size_t count = 0;
    std::vector<std::string> paths;
};

class Target : public LDropTarget
{
public:
    using LDropTarget::LDropTarget;
    bool Accept(uint32_t flavor) override { return flavor == LNameToId("application/x-quorin-track"); }
    void DragOver(int x, int y) override
    {
        overX = x;
        overY = y;
    }
    int Drop(uint32_t flavor, int x, int y, const void* data, size_t size) override
    {
        droppedFlavor = flavor;
        dropX = x;
        dropY = y;
        bytes.assign(static_cast<const char*>(data), size);
        return 1;
    }
    int overX = -1, overY = -1, dropX = -1, dropY = -1;
    uint32_t droppedFlavor = 0;
    std::string bytes;
};

class DragDrop : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GuiApp("2");
        window.CreateCocoaWindow(800, 600, kWindowStyleTitled | kWindowStyleClosable, false, nullptr);
        ASSERT_TRUE(window.ShowModeless(nullptr, LPlacementCenterOnScreen));
        PumpFor(10);
        view = LQtWidget(window.GetView());
    }
    void TearDown() override
    {
        if (window.IsWindow())
            window.EndDialog(kCommandCancel);
    }
    DropWindow window;
    QWidget* view = nullptr;
};

TEST_F(DragDrop, FilesFromAnotherProgramArriveWhole)
{
    ASSERT_DOUBLE_EQ(window.GetScaleFactor(), 2.0);
    Files files;
    LDragDropHandler::Register(&files, &window);
    const std::vector<std::string> paths = {"/tmp/side a.wav", "/tmp/Trâck ünï.mp3",
                                            "/tmp/" + std::string(300, 'x') + ".flac"};
    QList<QUrl> urls;
    for (const std::string& path : paths)
        urls << QUrl::fromLocalFile(QString::fromStdString(path));
    QMimeData mime;
    mime.setUrls(urls);
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view, &drop);
    EXPECT_EQ(files.count, 3u);
    EXPECT_EQ(files.paths, paths) << "no cut at 260 bytes";

    // Without a handler the view takes nothing.
    LDragDropHandler::Unregister(&files, &window);
    QDragEnterEvent again(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view, &again);
    EXPECT_FALSE(again.isAccepted());
}

TEST_F(DragDrop, AnInsideDragReachesItsTargetWithFlavorBytesAndPixelPoint)
{
    auto* bar = new QToolBar(view->window());
    bar->setGeometry(0, 0, 400, 30);
    bar->show();
    Target target(&window, 0);
    target.Register();
    // A drop target ignores drags from other programs.
    {
        QMimeData outside;
        outside.setData("application/x-quorin-track", "x");
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &outside, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view, &enter);
        EXPECT_FALSE(enter.isAccepted());
    }
    // The toolkit's events carry a drag's source only inside a real drag
    // loop, which the offscreen platform does not run: the target is fed the
    // drag as the view's forwarder hands it over.
    const char* type = "application/x-quorin-track";
    QMimeData mime;
    mime.setData("text/plain", "not this");
    mime.setData(type, "track-7");
    LDragInfo info;
    info.mimeData = &mime;
    info.view = window.GetView();
    info.x = 30;
    info.y = 40;
    info.fromInside = true;
    ASSERT_TRUE(target.DragEnter(info));
    EXPECT_EQ(target.Flavor(), LNameToId(type));
    const int barHeight = bar->height() * 2;
    EXPECT_EQ(target.overX, 60);
    EXPECT_EQ(target.overY, 80 + barHeight);
    info.x = 31.6;
    EXPECT_EQ(target.PerformDrop(info), 1);
    EXPECT_EQ(target.droppedFlavor, LNameToId(type));
    EXPECT_EQ(target.bytes, "track-7");
    EXPECT_EQ(target.dropX, 63) << "pixels truncated";
    EXPECT_EQ(target.dropY, 80 + barHeight);

    // A drag offering nothing the target takes is refused; so is any drag
    // once the window is gone.
    QMimeData other;
    other.setData("text/plain", "x");
    info.mimeData = &other;
    EXPECT_FALSE(target.DragEnter(info));
    info.mimeData = &mime;
    window.EndDialog(kCommandCancel);
    EXPECT_FALSE(target.DragEnter(info));
}

} // namespace
