#pragma once
// Running the preference windows modally in a test: the test's work runs
// inside the window's loop once it shows, and message boxes that come up
// are answered by the text of a button and remembered.

#include "gui/GuiTestSupport.h"
#include "gui/framework/LCommands.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/windows/LQtTooltipImpl.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace quorin::test {

// Answers every message box that shows: with the next queued button text,
// or the default button when none is queued.
class BoxAnswerer
{
public:
    BoxAnswerer()
    {
        GuiApp(); // its timer needs the application, which a fixture member may precede
        QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
        timer_.start(10);
    }
    void Queue(const std::string& button) { answers_.push_back(button); }
    const std::vector<std::string>& Seen() const { return seen_; }
    std::string Last() const { return seen_.empty() ? "" : seen_.back(); }

private:
    void Poll()
    {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            if (box == nullptr || !box->isVisible() || box->property("answered").toBool())
                continue;
            box->setProperty("answered", true);
            // The box shows its text as escaped rich text.
            QString text = box->informativeText();
            text.replace("&quot;", "\"").replace("&lt;", "<").replace("&gt;", ">").replace("&amp;", "&");
            seen_.push_back(text.toStdString());
            QAbstractButton* chosen = box->defaultButton();
            if (!answers_.empty()) {
                for (QAbstractButton* button : box->buttons())
                    if (button->text().toStdString() == answers_.front())
                        chosen = button;
                answers_.pop_front();
            }
            QAbstractButton* press = chosen;
            QTimer::singleShot(0, box, [press] { press->click(); });
        }
    }
    QTimer timer_;
    std::deque<std::string> answers_;
    std::vector<std::string> seen_;
};

// The text of the bubble tip showing now, empty when none shows.
inline std::string ShownTip()
{
    for (QWidget* widget : QApplication::allWidgets())
        if (auto* tip = qobject_cast<LQtTooltipImpl*>(widget); tip != nullptr && tip->isVisible())
            return tip->Text().toStdString();
    return "";
}

// Runs the sheet modally; work runs inside its loop once it shows and must
// end it (OK or Cancel). The sheet's result.
template <typename Sheet>
bool RunSheet(Sheet& sheet, const char* title, int page, const std::function<void(Sheet&)>& work)
{
    QTimer poll;
    bool started = false;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (started || !sheet.IsWindow() || !sheet.IsVisible())
            return;
        started = true;
        poll.stop();
        PumpFor(20);
        work(sheet);
        // A sheet the work left open is cancelled so the test goes on.
        if (sheet.IsWindow() && sheet.IsVisible())
            sheet.SendCommand(kCommandCancel);
    });
    poll.start(10);
    return sheet.DoModal(nullptr, title, page);
}

} // namespace quorin::test
