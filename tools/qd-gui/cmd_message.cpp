// qd-gui message --choice ID:LABEL[:NOTE]... [--default ID] [--no-cancel]
// [--check] [--press N|--escape]: the message dialog answered by a timer
// (choice button 200 + N pressed, or Escape; when that leaves the dialog
// open, the first choice); prints result= and checkbox=.
#include "QdGuiCommand.h"

#include "gui/framework/LMessageDialog.h"
#include "gui/qt/LQtFindControl.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <list>
#include <string>
#include <vector>

namespace {

int Message(int argc, char** argv)
{
    std::list<std::string> texts; // stable storage for the labels
    std::vector<LMessageButton> buttons;
    int defaultId = 0;
    bool noCancel = false;
    bool check = false;
    int press = -1;
    bool escape = false;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--choice" && i + 1 < argc) {
            const std::string spec = argv[++i];
            const size_t colon = spec.find(':');
            if (colon == std::string::npos)
                return std::fprintf(stderr, "qd-gui message: --choice ID:LABEL[:NOTE]\n"), 2;
            const size_t second = spec.find(':', colon + 1);
            LMessageButton button{std::atoi(spec.substr(0, colon).c_str()), nullptr, nullptr};
            texts.push_back(
                spec.substr(colon + 1, second == std::string::npos ? std::string::npos : second - colon - 1));
            button.label = texts.back().c_str();
            if (second != std::string::npos) {
                texts.push_back(spec.substr(second + 1));
                button.note = texts.back().c_str();
            }
            buttons.push_back(button);
        } else if (arg == "--default" && i + 1 < argc) {
            defaultId = std::atoi(argv[++i]);
        } else if (arg == "--no-cancel") {
            noCancel = true;
        } else if (arg == "--check") {
            check = true;
        } else if (arg == "--press" && i + 1 < argc) {
            press = std::atoi(argv[++i]);
        } else if (arg == "--escape") {
            escape = true;
        } else {
            std::fprintf(stderr, "usage: qd-gui message --choice ID:LABEL[:NOTE]... [--default ID] "
                                 "[--no-cancel] [--check] [--press N|--escape]\n");
            return 2;
        }
    }
    buttons.push_back({0, nullptr, nullptr});
    LMessageDialog dialog(nullptr, "Question", "Choose one of these.", "", buttons.data(), defaultId, false);
    dialog.canCancel = !noCancel;
    dialog.showCheckBox = check;
    QTimer poll;
    bool acted = false;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible() || acted)
            return;
        acted = true;
        if (escape) {
            QKeyEvent down(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(modal, &down);
        } else if (press >= 0) {
            QAbstractButton* button = nullptr;
            for (QWidget* child : modal->findChildren<QWidget*>())
                if ((button = qobject_cast<QAbstractButton*>(LQtFindControl(child, 200 + press))))
                    break;
            if (button)
                button->click();
        }
        // Still open (Escape refused, or nothing to press): the first
        // choice, or the close box when there is none.
        QTimer::singleShot(200, modal, [modal] {
            if (!modal->isVisible())
                return;
            for (QWidget* child : modal->findChildren<QWidget*>())
                if (auto* first = qobject_cast<QAbstractButton*>(LQtFindControl(child, 200))) {
                    first->click();
                    return;
                }
            modal->close();
        });
    });
    poll.start(20);
    const int result = dialog.Run();
    std::printf("result=%d checkbox=%d\n", result, dialog.checkBoxState ? 1 : 0);
    return std::fflush(stdout) == 0 ? 0 : 2;
}

QdGuiCommandRegistrar registrar("message", Message);

} // namespace
