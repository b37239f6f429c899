#pragma once
// Answers the dialogs of a test as a user would: each scripted dialog, found
// among the visible windows by its title (for a message box, its message
// line), gets the button with the scripted label clicked.

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <string>
#include <utility>
#include <vector>

namespace quorin::test {

// Answers the dialogs that appear, in order: the one whose title (or, for a
// message box, its message line) matches gets its button clicked.
class DialogAnswerer
{
public:
    void Expect(const std::string& title, const std::string& button) { script_.push_back({title, button}); }

    void Start()
    {
        timer_.setInterval(40);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
        timer_.start();
    }

    std::vector<std::string> seen;
    bool Done() const { return script_.empty(); }

private:
    void Poll()
    {
        if (script_.empty())
            return;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (!w->isVisible())
                continue;
            std::string title = w->windowTitle().toStdString();
            if (auto* box = qobject_cast<QMessageBox*>(w))
                title = box->text().remove("<b>").remove("</b>").toStdString();
            if (getenv("ANSWERER_DEBUG"))
                fprintf(stderr, "visible: [%s]\n", title.c_str());
            if (title != script_.front().first)
                continue;
            for (QAbstractButton* button : w->findChildren<QAbstractButton*>()) {
                if (button->text().remove('&').toStdString() == script_.front().second &&
                    button->isVisible()) {
                    seen.push_back(title + "/" + script_.front().second);
                    script_.pop_front();
                    button->click();
                    return;
                }
            }
        }
    }

    std::deque<std::pair<std::string, std::string>> script_;
    QTimer timer_;
};

} // namespace quorin::test
