// A window with a text field the user types in while the program's own
// notice comes up, to be worked by real input on an X server. Own steps:
// "notify:TEXT" shows the notice; "state:" prints "bubble: shown X Y W H"
// (its frame on the screen) or "bubble: hidden", "field: TEXT", "focus: yes"
// or "focus: no" (whether the field has the keyboard) and "spot: X Y", a
// point of the window away from the field and the notice;
// "await:PATH" lets events run until the file PATH exists (the test's input
// is done), 20 s at most.
#include "QdGuiDrive.h"

#include "gui/controls/LControlStyles.h"
#include "gui/framework/LNotifyBubble.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/LQtView.h"
#include "gui/qt/app/LNotifyBubbleImpl.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QThread>

#include <string>

namespace {

constexpr int kField = 101;

class TypingWindow : public LWindow
{
public:
    void OnCommand(int command, int extra) override { LWindow::OnCommand(command, extra); }
};

QLineEdit* FieldOf(LWindow* window)
{
    return window ? qobject_cast<QLineEdit*>(LQtWidget(window->GetControl(kField))) : nullptr;
}

bool OpenNotifyBubble(QdGuiDrive& drive)
{
    auto* window = new TypingWindow();
    auto* bubble = new LNotifyBubble();
    const double scale = window->GetScaleFactor();
    window->CreateCocoaWindow(static_cast<int>(420 * scale), static_cast<int>(200 * scale),
                              kWindowStyleTitled | kWindowStyleClosable, false, nullptr);
    window->SetTitle("Notes");
    window->AddTextInput(kField, LTextInputStyle{}, static_cast<int>(20 * scale),
                         static_cast<int>(20 * scale), static_cast<int>(300 * scale));
    bubble->SetOwner(window);
    window->ShowModeless(nullptr, LPlacementCenterOnScreen);

    drive.steps["notify"] = [bubble](LWindow*, const std::string& text, std::string*) {
        bubble->Show(text.c_str(), "Quorin", 0);
        return true;
    };
    drive.steps["state"] = [window, bubble](LWindow*, const std::string&, std::string* error) {
        QLineEdit* field = FieldOf(window);
        if (!field) {
            *error = "the window has no text field";
            return false;
        }
        auto* impl = static_cast<LNotifyBubbleImpl*>(bubble->NativeWindow());
        if (bubble->IsShown() && impl) {
            const QRect frame = impl->frameGeometry();
            QdGuiDrive::Print("bubble: shown " + std::to_string(frame.x()) + " " + std::to_string(frame.y()) +
                              " " + std::to_string(frame.width()) + " " + std::to_string(frame.height()));
        } else {
            QdGuiDrive::Print("bubble: hidden");
        }
        QdGuiDrive::Print("field: " + field->text().toStdString());
        QdGuiDrive::Print(
            std::string("focus: ") +
            (field->hasFocus() && QApplication::activeWindow() == field->window() ? "yes" : "no"));
        const QWidget* top = field->window();
        const QPoint spot = top->mapToGlobal(QPoint(top->width() / 2, top->height() - 20));
        QdGuiDrive::Print("spot: " + std::to_string(spot.x()) + " " + std::to_string(spot.y()));
        const QPoint inField = field->mapToGlobal(field->rect().center());
        QdGuiDrive::Print("field-at: " + std::to_string(inField.x()) + " " + std::to_string(inField.y()));
        return true;
    };
    drive.steps["await"] = [](LWindow*, const std::string& path, std::string* error) {
        QElapsedTimer waited;
        waited.start();
        while (!QFileInfo::exists(QString::fromStdString(path))) {
            if (waited.elapsed() > 20000) {
                *error = "nothing came of the input within 20 s";
                return false;
            }
            QApplication::processEvents(QEventLoop::AllEvents, 20);
            QThread::msleep(10);
        }
        return true;
    };
    drive.cleanup = [window, bubble] {
        delete bubble;
        if (window->IsWindow())
            window->EndDialog(kCommandCancel);
        delete window;
    };
    return true;
}

} // namespace

QD_GUI_DRIVABLE("notify-bubble", "", OpenNotifyBubble);
