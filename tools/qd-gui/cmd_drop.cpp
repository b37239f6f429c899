// qd-gui drop PATH...: the paths as file URLs in a drop from outside the
// program on a window with a drop handler; prints count=N, then each path
// the handler's file list walks through.
#include "QdGuiCommand.h"

#include "gui/framework/LDragDrop.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/LQtView.h"

#include <QApplication>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

#include <cstdio>

namespace {

class Receiver : public LDragDropHandler
{
public:
    void OnDrop(const LDragInfo& info) override
    {
        LDropFileList list;
        list.Start(info);
        std::printf("count=%zu\n", list.count);
        for (; list.index <= list.count; list.Next())
            std::printf("%s\n", list.current.c_str());
        dropped = true;
    }
    bool dropped = false;
};

class DropWindow : public LWindow
{
};

int Drop(int argc, char** argv)
{
    if (argc < 1) {
        std::fprintf(stderr, "usage: qd-gui drop PATH...\n");
        return 2;
    }
    DropWindow window;
    if (!window.CreateCocoaWindow(400, 300, kWindowStyleTitled, false, nullptr) ||
        !window.ShowModeless(nullptr, LPlacementCenterOnScreen))
        return 2;
    Receiver receiver;
    LDragDropHandler::Register(&receiver, &window);
    QList<QUrl> urls;
    for (int i = 0; i < argc; ++i)
        urls << QUrl::fromLocalFile(QFileInfo(QString::fromLocal8Bit(argv[i])).absoluteFilePath());
    QMimeData mime;
    mime.setUrls(urls);
    QWidget* view = LQtWidget(window.GetView());
    const QPointF at(20, 20);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view, &enter);
    if (!enter.isAccepted()) {
        std::fprintf(stderr, "qd-gui drop: the window refused the drag\n");
        return 2;
    }
    QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view, &drop);
    LDragDropHandler::Unregister(&receiver, &window);
    window.EndDialog(kCommandCancel);
    if (!receiver.dropped)
        return 2;
    return std::fflush(stdout) == 0 ? 0 : 2;
}

QdGuiCommandRegistrar registrar("drop", Drop);

} // namespace
