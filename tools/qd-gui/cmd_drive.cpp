// qd-gui drive NAME [ARG...] -- STEP...: opens one of the program's real
// windows offscreen and works it as a user would, one step each time the
// event loop has gone idle, always on the program window on top (a dialog a
// click opened, a page of a sheet). Controls are reached by their ids
// through the window's own control calls.
//
// Steps:
//   set:ID=TEXT      types TEXT over a text field, combo box or edit view
//   check:ID=0|1     clicks a check box when it is not already so
//   pick:ID=N        item N (from 0) of a pull-down, combo box, list, tab
//   pick:ID=~TEXT    view or radio group (by the group box's id); or the
//                    item whose text is TEXT
//   click:ID         a button, or a command: numbers, or codes such as ok,
//                    cncl (Cancel), help, Back, fin!
//   key:SEQ          a key press such as Ctrl+R or Escape
//   next, back       a wizard's Next and Back buttons
//   goto:ID          Next (or, in a sheet, the next tab) until ID shows
//   wait:MS          lets MS milliseconds of events run
//   until-closed     waits until the window on top has closed
//   shot:OUT.png     a picture of the window on top
//   answer:N         the next message box is answered by its button N (1 is
//                    the first); without it, by its default button
//   plus the window's own steps (QdGuiDrive::steps).
// Output lines, as things happen: "box: TITLE | TEXT", "tip: ID | TEXT",
// "file: PATH", "setting: SECTION/NAME=VALUE"; "open: TITLE" when the steps
// run out with the window still open (the run then ends at once, leaving
// everything the window would do at closing undone).
// Exit: 0 closed with OK or work finished (or left open), 1 cancelled, 2 a
// usage error or a failed step (which is named on stderr).
#include "QdGuiCommand.h"
#include "QdGuiDrive.h"

#include "app/program/startup/LSupportServices.h"
#include "foundation/settings/LPreferenceStore.h"
#include "foundation/settings/LSettings.h"
#include "gui/framework/LCommands.h"
#include "gui/framework/LMainMenu.h"
#include "gui/framework/LMessageDialog.h"
#include "gui/framework/LPropertySheet.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/LQtFindControl.h"
#include "gui/qt/LQtView.h"
#include "gui/qt/controls/LQtKindButtonImpl.h"
#include "gui/qt/windows/LQtTooltipImpl.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QGroupBox>
#include <QKeySequence>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTextDocumentFragment>
#include <QTextEdit>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

std::map<std::string, QdGuiDrivable>& QdGuiDrivables()
{
    static std::map<std::string, QdGuiDrivable> drivables;
    return drivables;
}

void QdGuiDrive::Print(const std::string& line)
{
    static std::mutex lock;
    std::lock_guard<std::mutex> guard(lock);
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void QdGuiDrive::File(const std::string& path)
{
    Print("file: " + path);
}

namespace {

using Clock = std::chrono::steady_clock;

std::string OneLine(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    return text.trimmed().toStdString();
}

std::string FromHtml(const QString& html)
{
    return OneLine(QTextDocumentFragment::fromHtml(html).toPlainText());
}

void SettingStored(LSettingsUser user, const char* domain, const char* key, const char* value)
{
    if (user != kLSettingsCurrentUser || std::string(domain) != kLSettingsApplicationId || value == nullptr)
        return;
    QdGuiDrive::Print(std::string("setting: ") + key + "=" + value);
}

[[noreturn]] void Exit(int code)
{
    // However the run ends, it did not crash: the lock that tells the next
    // start about a crash or hang goes with it.
    LStopCrashDetection();
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(code);
}

// A control found by id, with the window (top-level or embedded page) that owns it.
struct Found
{
    LWindow* owner = nullptr;
    QWidget* widget = nullptr;
};

class Driver : public QObject
{
public:
    Driver(QdGuiDrive& drive, std::vector<std::string> steps) : drive_(drive), steps_(std::move(steps))
    {
        qApp->installEventFilter(this);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
        timer_.start(20);
    }
    ~Driver() override
    {
        timer_.stop();
        qApp->removeEventFilter(this);
    }

    // Steps still to run, but for waits at the end that the window's closing made moot.
    size_t StepsLeft() const
    {
        size_t end = steps_.size();
        while (end > next_ && (steps_[end - 1] == "until-closed" || steps_[end - 1].rfind("wait:", 0) == 0))
            --end;
        return end - next_;
    }
    size_t NextStep() const { return next_; }

    // The program's windows that are open: top-level widgets with a window
    // object that lives, and message boxes.
    static bool AnyWindowOpen()
    {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (widget->isVisible() && (qobject_cast<QMessageBox*>(widget) || TopLevelWindowOf(widget)))
                return true;
        return false;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Show || !watched->isWidgetType())
            return false;
        auto* widget = static_cast<QWidget*>(watched);
        if (auto* tip = qobject_cast<LQtTooltipImpl*>(widget)) {
            const int id = tip->Control() ? LQtControlId(tip->Control()) : 0;
            QdGuiDrive::Print("tip: " + std::to_string(id) + " | " + OneLine(tip->Text()));
            return false;
        }
        if (!widget->isWindow())
            return false;
        if (auto* box = qobject_cast<QMessageBox*>(widget)) {
            QdGuiDrive::Print("box: " + FromHtml(box->text()) + " | " +
                              OneLine(box->informativeText().simplified()));
            Answer(box, nullptr);
            return false;
        }
        if (LWindow* window = TopLevelWindowOf(widget)) {
            if (auto* message = dynamic_cast<LMessageDialog*>(window)) {
                char text[260];
                std::string line = std::string("box: ") + message->GetTitle() + " | " +
                                   OneLine(QString::fromUtf8(message->GetStaticText(101, text)));
                message->GetStaticText(102, text);
                if (text[0] != '\0')
                    line += " " + OneLine(QString::fromUtf8(text));
                QdGuiDrive::Print(line);
                Answer(widget, message);
            }
        }
        return false;
    }

private:
    static LWindow* WindowOf(QWidget* widget) { return LGetWindowFromView(LQtHandle(widget)); }

    // The top-level window object whose view sits in this top-level widget.
    static LWindow* TopLevelWindowOf(QWidget* top)
    {
        if (LWindow* window = WindowOf(top); window && window->IsTopLevel() && window->IsWindow())
            return window;
        for (QWidget* child : top->findChildren<QWidget*>())
            if (LWindow* window = WindowOf(child); window && window->IsTopLevel() && window->IsWindow())
                return window;
        return nullptr;
    }

    // The window objects of a top-level widget that show now: the window
    // itself first, then its embedded pages.
    static std::vector<LWindow*> WindowsOf(QWidget* top)
    {
        std::vector<LWindow*> windows;
        if (LWindow* window = TopLevelWindowOf(top))
            windows.push_back(window);
        for (QWidget* child : top->findChildren<QWidget*>())
            if (LWindow* window = WindowOf(child);
                window && window->IsWindow() && child->isVisible() && window->GetView() == LQtHandle(child))
                if (std::find(windows.begin(), windows.end(), window) == windows.end())
                    windows.push_back(window);
        return windows;
    }

    // The program window on top: the innermost modal one, else the last
    // shown top-level window that has a window object.
    static QWidget* TopWidget()
    {
        if (QWidget* modal = QApplication::activeModalWidget(); modal && modal->isVisible())
            return modal;
        if (QWidget* active = QApplication::activeWindow(); active && TopLevelWindowOf(active))
            return active;
        QWidget* top = nullptr;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (widget->isVisible() && TopLevelWindowOf(widget))
                top = widget;
        return top;
    }

    void Answer(QWidget* box, LWindow* message)
    {
        // A box that comes up before the steps could run (one the window
        // shows as it opens) still takes the answer written first.
        if (answer_ < 0 && next_ < steps_.size() && steps_[next_].rfind("answer:", 0) == 0) {
            current_ = next_++;
            if (!ParseInt(steps_[current_].substr(7), &answer_) || answer_ < 1)
                Fail("expected answer:N, N from 1");
        }
        const int answer = answer_;
        answer_ = -1;
        boxes_.push_back(box);
        QPointer<QWidget> guard(box);
        QTimer::singleShot(0, box, [this, guard, message, answer] {
            if (!guard)
                return;
            if (auto* qbox = qobject_cast<QMessageBox*>(guard.data())) {
                QAbstractButton* button = nullptr;
                const QList<QAbstractButton*> buttons = qbox->buttons();
                if (answer > 0) {
                    if (answer > buttons.size())
                        Fail("answer:" + std::to_string(answer) + ": the box has " +
                             std::to_string(buttons.size()) + " buttons");
                    button = OrderedButtons(qbox).at(answer - 1);
                } else {
                    button = qbox->defaultButton();
                    if (button == nullptr)
                        button = qbox->escapeButton();
                    if (button == nullptr && !buttons.isEmpty())
                        button = buttons.first();
                }
                if (button)
                    button->click();
                else
                    qbox->close();
                return;
            }
            auto* dialog = static_cast<LMessageDialog*>(message);
            const int id = answer > 0 ? 200 + answer - 1 : dialog->DefaultButtonControl();
            if (!dialog->PressButton(id))
                Fail("answer:" + std::to_string(answer) + ": the box has no such button");
        });
    }

    // The buttons in the order they were added (the order the program numbers them).
    static QList<QAbstractButton*> OrderedButtons(QMessageBox* box)
    {
        QList<QAbstractButton*> ordered;
        for (QAbstractButton* button : box->findChildren<QAbstractButton*>())
            if (box->buttonRole(button) != QMessageBox::InvalidRole)
                ordered.push_back(button);
        return ordered.size() == box->buttons().size() ? ordered : box->buttons();
    }

    [[noreturn]] void Fail(const std::string& reason)
    {
        const std::string step = current_ < steps_.size() ? steps_[current_] : std::string("(end)");
        std::fprintf(stderr, "qd-gui drive: step %zu \"%s\": %s\n", current_ + 1, step.c_str(),
                     reason.c_str());
        Exit(2);
    }

    bool BoxOpen()
    {
        for (auto it = boxes_.begin(); it != boxes_.end();)
            it = (*it && (*it)->isVisible()) ? it + 1 : boxes_.erase(it);
        return !boxes_.empty();
    }

    void Tick()
    {
        if (stepPending_ || BoxOpen())
            return;
        if (waitUntil_ && Clock::now() < *waitUntil_)
            return;
        waitUntil_.reset();
        if (waitingClose_) {
            if (*waitingClose_ && (*waitingClose_)->isVisible())
                return;
            waitingClose_.reset();
        }
        if (gotoId_ != 0 && !GotoStep())
            return;
        QWidget* top = TopWidget();
        if (top == nullptr)
            return;
        LWindow* window = TopLevelWindowOf(top);
        if (window == nullptr || window->IsClosing()) {
            quietTicks_ = 0;
            return;
        }
        // Until the window is ready, even when an answer for a box at its
        // opening has been taken from the steps already.
        if (!started_ && drive_.ready && !drive_.ready())
            return;
        started_ = true;
        if (next_ >= steps_.size()) {
            if (drive_.busy && drive_.busy()) {
                quietTicks_ = 0;
                return;
            }
            // Two quiet turns in a row, so a window that is just closing is not taken as open.
            if (++quietTicks_ < 2)
                return;
            QdGuiDrive::Print(std::string("open: ") + window->GetTitle());
            Exit(0);
        }
        quietTicks_ = 0;
        current_ = next_++;
        const std::string& step = steps_[current_];
        if (step.rfind("key:", 0) != 0) {
            Run(step, top);
            return;
        }
        // A key runs from an event of its own, not from this timer's: a key
        // that opens a modal window (Ctrl+R, the recording session) returns
        // only when that window closes, and Qt never fires a timer again
        // while its own handler still runs, so the steps meant for the
        // window would never come. Other steps keep waiting for the modal
        // work they start (a progress window) to end.
        stepPending_ = true;
        QPointer<QWidget> target(top);
        QTimer::singleShot(0, this, [this, target, index = current_] {
            stepPending_ = false;
            if (!target) {
                current_ = index;
                Fail("the window closed before the step could run");
            }
            Run(steps_[index], target.data());
        });
    }

    Found FindControl(QWidget* top, int id)
    {
        Found found;
        for (LWindow* window : WindowsOf(top)) {
            LViewHandle control = window->GetControl(id);
            if (control == nullptr)
                continue;
            QWidget* widget = LQtWidget(control);
            if (found.widget == nullptr || (!found.widget->isVisible() && widget->isVisible()))
                found = Found{window, widget};
        }
        return found;
    }

    Found Require(QWidget* top, int id, const std::string& what)
    {
        Found found = FindControl(top, id);
        if (found.widget == nullptr)
            Fail("no control " + what + " in \"" + OneLine(top->windowTitle()) + "\"");
        if (!found.widget->isVisible())
            Fail("control " + what + " is hidden");
        if (!found.widget->isEnabled())
            Fail("control " + what + " is disabled");
        return found;
    }

    static bool ParseInt(const std::string& text, int* value)
    {
        if (text.empty())
            return false;
        char* end = nullptr;
        const long number = std::strtol(text.c_str(), &end, 10);
        if (*end != '\0')
            return false;
        *value = static_cast<int>(number);
        return true;
    }

    // A number, or a command code of up to four characters (padded with blanks).
    bool ParseId(const std::string& text, int* id)
    {
        if (ParseInt(text, id))
            return true;
        static const std::map<std::string, int> names = {{"ok", kCommandOK},
                                                         {"cncl", kCommandCancel},
                                                         {"cancel", kCommandCancel},
                                                         {"help", kCommandHelp},
                                                         {"back", kCommandBack},
                                                         {"finish", kCommandFinish},
                                                         {"pref", kCommandPreferences},
                                                         {"quit", kCommandQuit}};
        if (auto it = names.find(text); it != names.end()) {
            *id = it->second;
            return true;
        }
        if (text.empty() || text.size() > 4)
            return false;
        char code[5] = "    ";
        for (size_t i = 0; i < text.size(); ++i)
            code[i] = text[i];
        *id = LFourCharCode(code);
        return true;
    }

    // "ID=VALUE" of a step.
    void Split(const std::string& arg, int* id, std::string* value)
    {
        const size_t equals = arg.find('=');
        if (equals == std::string::npos || !ParseId(arg.substr(0, equals), id))
            Fail("expected ID=VALUE");
        *value = arg.substr(equals + 1);
    }

    void Run(const std::string& step, QWidget* top)
    {
        const size_t colon = step.find(':');
        const std::string kind = step.substr(0, colon);
        const std::string arg = colon == std::string::npos ? std::string() : step.substr(colon + 1);
        LWindow* window = TopLevelWindowOf(top);
        if (auto own = drive_.steps.find(kind); own != drive_.steps.end()) {
            std::string error;
            if (!own->second(window, arg, &error))
                Fail(error.empty() ? "failed" : error);
            return;
        }
        if (kind == "set")
            return Set(top, arg);
        if (kind == "check")
            return Check(top, arg);
        if (kind == "pick")
            return Pick(top, arg);
        if (kind == "click")
            return Click(top, window, arg);
        if (kind == "key")
            return Key(top, arg);
        if (kind == "next" || kind == "back")
            return WizardButton(window, kind == "next" ? kCommandOK : kCommandBack, kind);
        if (kind == "goto") {
            if (!ParseId(arg, &gotoId_) || gotoId_ == 0)
                Fail("expected goto:ID");
            gotoTried_ = 0;
            GotoStep();
            return;
        }
        if (kind == "wait") {
            int ms = 0;
            if (!ParseInt(arg, &ms) || ms < 0)
                Fail("expected wait:MS");
            waitUntil_ = Clock::now() + std::chrono::milliseconds(ms);
            return;
        }
        if (kind == "until-closed") {
            waitingClose_ = QPointer<QWidget>(top);
            return;
        }
        if (kind == "shot") {
            if (arg.empty())
                Fail("expected shot:OUT.png");
            if (!top->grab().toImage().save(QString::fromStdString(arg), "PNG"))
                Fail("cannot write " + arg);
            return;
        }
        if (kind == "answer") {
            if (!ParseInt(arg, &answer_) || answer_ < 1)
                Fail("expected answer:N, N from 1");
            return;
        }
        Fail("unknown step");
    }

    void Set(QWidget* top, const std::string& arg)
    {
        int id = 0;
        std::string value;
        Split(arg, &id, &value);
        const Found found = Require(top, id, std::to_string(id));
        const QString text = QString::fromStdString(value);
        QWidget* widget = found.widget;
        if (auto* edit = qobject_cast<QPlainTextEdit*>(widget)) {
            edit->setFocus();
            edit->selectAll();
            edit->insertPlainText(text);
            return;
        }
        if (auto* edit = qobject_cast<QTextEdit*>(widget)) {
            edit->setFocus();
            edit->selectAll();
            edit->insertPlainText(text);
            return;
        }
        QLineEdit* line = qobject_cast<QLineEdit*>(widget);
        if (line == nullptr) {
            if (auto* combo = qobject_cast<QComboBox*>(widget))
                line = combo->lineEdit();
            else if (qobject_cast<QAbstractSpinBox*>(widget) || !qobject_cast<QAbstractButton*>(widget)) {
                const QList<QLineEdit*> fields = widget->findChildren<QLineEdit*>();
                if (fields.size() == 1)
                    line = fields.first();
            }
        }
        if (line == nullptr || line->isReadOnly())
            Fail("control " + std::to_string(id) + " is not a text field");
        // Typed over the whole text, then left, as a user does.
        line->setFocus();
        line->selectAll();
        line->insert(text);
        emit line->editingFinished();
    }

    void Check(QWidget* top, const std::string& arg)
    {
        int id = 0;
        std::string value;
        Split(arg, &id, &value);
        if (value != "0" && value != "1")
            Fail("expected check:ID=0|1");
        const Found found = Require(top, id, std::to_string(id));
        auto* button = qobject_cast<QAbstractButton*>(found.widget);
        auto* kinded = qobject_cast<LQtKindButtonImpl*>(found.widget);
        if (button == nullptr || !button->isCheckable() ||
            (kinded && kinded->ButtonKind() == LQtKindButtonImpl::kRadioButton))
            Fail("control " + std::to_string(id) + " is not a check box");
        const bool want = value == "1";
        if (found.owner->GetCheck(id) != want && !found.owner->PressButton(id))
            Fail("control " + std::to_string(id) + " could not be clicked");
        if (found.owner->GetCheck(id) != want)
            Fail("control " + std::to_string(id) + " did not change");
    }

    // The item index named by N or ~TEXT among count items.
    int Item(const std::string& value, int count, const std::function<std::string(int)>& text, int id)
    {
        int index = -1;
        if (!value.empty() && value[0] == '~') {
            for (int i = 0; i < count && index < 0; ++i)
                if (text(i) == value.substr(1))
                    index = i;
            if (index < 0)
                Fail("control " + std::to_string(id) + " has no item \"" + value.substr(1) + "\"");
        } else if (!ParseInt(value, &index) || index < 0 || index >= count) {
            Fail("control " + std::to_string(id) + " has no item " + value + " (" + std::to_string(count) +
                 " in all)");
        }
        return index;
    }

    void Pick(QWidget* top, const std::string& arg)
    {
        int id = 0;
        std::string value;
        Split(arg, &id, &value);
        const Found found = Require(top, id, std::to_string(id));
        LWindow* owner = found.owner;
        QWidget* widget = found.widget;
        char buffer[260];
        if (const int count = owner->GetPullDownItemCount(id); count >= 0) {
            const int index = Item(
                value, count, [&](int i) { return std::string(owner->GetPullDownItemText(id, i, buffer)); },
                id);
            owner->SelectPullDownItem(id, index);
            // The pick as the user makes it, so the change command goes out.
            if (auto* combo = qobject_cast<QComboBox*>(widget))
                emit combo->activated(combo->currentIndex());
            return;
        }
        if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            const int index = Item(
                value, combo->count(), [&](int i) { return combo->itemText(i).toStdString(); }, id);
            owner->SelectComboBoxItem(id, index);
            emit combo->activated(index);
            return;
        }
        if (owner->GetListView(id) != nullptr) {
            const int index = Item(
                value, owner->GetListViewRowCount(id),
                [&](int i) { return std::string(owner->GetListViewRowText(id, i, buffer)); }, id);
            owner->DeselectAllListViewRows(id);
            owner->SelectListViewRow(id, index, true);
            return;
        }
        if (const int count = owner->GetTabCount(id); count > 0) {
            const int index = Item(
                value, count, [&](int i) { return std::string(owner->GetTabLabel(id, i, buffer)); }, id);
            owner->SelectTabByIndex(id, index);
            return;
        }
        if (qobject_cast<QGroupBox*>(widget)) {
            // The radio buttons of the group the box starts: those made after it, in order.
            std::vector<int> radios;
            LQtRadioButtonGroupImpl* group = nullptr;
            bool after = false;
            for (QObject* child : widget->parentWidget()->children()) {
                if (child == widget) {
                    after = true;
                    continue;
                }
                auto* radio = qobject_cast<LQtKindButtonImpl*>(child);
                if (!after || radio == nullptr || radio->ButtonKind() != LQtKindButtonImpl::kRadioButton)
                    continue;
                if (group == nullptr)
                    group = radio->RadioGroup();
                if (radio->RadioGroup() == group)
                    radios.push_back(LQtControlId(radio));
            }
            if (radios.empty())
                Fail("control " + std::to_string(id) + " is a group box without radio buttons");
            const int index = Item(
                value, static_cast<int>(radios.size()),
                [&](int i) { return std::string(owner->GetButtonText(radios[i], buffer)); }, id);
            if (!owner->GetCheck(radios[index]) && !owner->PressButton(radios[index]))
                Fail("radio button " + std::to_string(radios[index]) + " could not be clicked");
            return;
        }
        Fail("control " + std::to_string(id) + " has no items to pick from");
    }

    void Click(QWidget* top, LWindow* window, const std::string& arg)
    {
        int id = 0;
        if (!ParseId(arg, &id))
            Fail("expected click:ID");
        const Found found = FindControl(top, id);
        if (found.widget != nullptr) {
            Require(top, id, arg);
            if (qobject_cast<QAbstractButton*>(found.widget)) {
                if (!found.owner->PressButton(id))
                    Fail("control " + arg + " could not be clicked");
            } else {
                found.owner->SendCommand(id);
            }
            return;
        }
        // A command without a control: a menu item of the main window, or
        // one of the window's own codes.
        if (LMainMenuIsItemEnabled(id)) {
            LWindow* target =
                LGetMainMenuWindow() != nullptr && LGetModalDepth() == 0 ? LGetMainMenuWindow() : window;
            target->SendCommand(id);
            return;
        }
        if (id == kCommandOK || id == kCommandCancel || id == kCommandHelp || id == kCommandBack ||
            id == kCommandFinish) {
            window->SendCommand(id);
            return;
        }
        Fail("no control or enabled menu item " + arg + " in \"" + OneLine(top->windowTitle()) + "\"");
    }

    void Key(QWidget* top, const std::string& arg)
    {
        const QKeySequence sequence = QKeySequence::fromString(QString::fromStdString(arg));
        if (sequence.count() != 1 || sequence[0].key() == Qt::Key_unknown)
            Fail("expected key:SEQ such as Ctrl+R");
        QWidget* target = QApplication::focusWidget();
        if (target == nullptr || target->window() != top)
            target = top;
        QTest::keyClick(target, sequence[0].key(), sequence[0].keyboardModifiers());
    }

    void WizardButton(LWindow* window, int id, const std::string& name)
    {
        if (dynamic_cast<LWizard*>(window) == nullptr)
            Fail(std::string("\"") + window->GetTitle() + "\" is not a wizard");
        if (!window->IsControlVisible(id) || !window->IsControlEnabled(id) || !window->PressButton(id))
            Fail("the " + name + " button is not available");
    }

    // One turn of goto: true once the control shows.
    bool GotoStep()
    {
        QWidget* top = TopWidget();
        LWindow* window = top ? TopLevelWindowOf(top) : nullptr;
        if (window == nullptr)
            return false;
        const Found found = FindControl(top, gotoId_);
        if (found.widget != nullptr && found.widget->isVisible()) {
            gotoId_ = 0;
            return true;
        }
        if (auto* sheet = dynamic_cast<LPropertySheet*>(window)) {
            if (gotoTried_ >= sheet->PageCount())
                Fail("no page holds control " + std::to_string(gotoId_));
            sheet->SelectPage(gotoTried_++);
            return false;
        }
        if (dynamic_cast<LWizard*>(window) == nullptr)
            Fail("control " + std::to_string(gotoId_) + " is not in \"" + window->GetTitle() + "\"");
        if (!window->IsControlVisible(kCommandOK) || !window->IsControlEnabled(kCommandOK))
            Fail("no page up to the last holds control " + std::to_string(gotoId_));
        window->PressButton(kCommandOK);
        return false;
    }

    QdGuiDrive& drive_;
    std::vector<std::string> steps_;
    size_t next_ = 0;
    size_t current_ = 0;
    QTimer timer_;
    int answer_ = -1;
    std::vector<QPointer<QWidget>> boxes_;
    std::optional<Clock::time_point> waitUntil_;
    std::optional<QPointer<QWidget>> waitingClose_;
    int gotoId_ = 0;
    int gotoTried_ = 0;
    int quietTicks_ = 0;
    bool stepPending_ = false;
    bool started_ = false; // the window was ready and the steps began
};

int Usage()
{
    std::fprintf(stderr,
                 "usage: qd-gui drive WINDOW [ARG...] -- STEP...  (windows: qd-gui list --drivable)\n");
    return 2;
}

int Drive(int argc, char** argv)
{
    if (argc < 1)
        return Usage();
    auto it = QdGuiDrivables().find(argv[0]);
    if (it == QdGuiDrivables().end()) {
        std::fprintf(stderr, "qd-gui drive: no window named \"%s\" (see qd-gui list --drivable)\n", argv[0]);
        return 2;
    }
    QdGuiDrive drive;
    std::vector<std::string> steps;
    bool inSteps = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (!inSteps && arg == "--")
            inSteps = true;
        else
            (inSteps ? steps : drive.args).push_back(arg);
    }
    LPreferenceStore::SetWriteObserver(SettingStored);
    int result = 2;
    {
        Driver driver(drive, steps);
        if (!it->second.open(drive)) {
            std::fprintf(stderr, "qd-gui drive: %s could not be opened\n", argv[0]);
            Exit(2);
        }
        if (drive.result < 0) {
            if (!Driver::AnyWindowOpen()) {
                std::fprintf(stderr, "qd-gui drive: %s opened no window\n", argv[0]);
                Exit(2);
            }
            QEventLoop loop;
            QTimer poll;
            QObject::connect(&poll, &QTimer::timeout, [&] {
                if (!Driver::AnyWindowOpen())
                    loop.quit();
            });
            poll.start(20);
            loop.exec();
            drive.result = drive.closedResult ? drive.closedResult() : 0;
        }
        if (driver.StepsLeft() > 0) {
            std::fprintf(stderr, "qd-gui drive: the window closed before step %zu\n", driver.NextStep() + 1);
            Exit(2);
        }
        result = drive.result;
    }
    LPreferenceStore::SetWriteObserver(nullptr);
    if (drive.cleanup)
        drive.cleanup();
    return result;
}

QdGuiCommandRegistrar registrar("drive", Drive);

} // namespace
