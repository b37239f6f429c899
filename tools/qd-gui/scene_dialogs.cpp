// The ready-made dialogs, each grabbed from inside its modal run: the message
// dialog with choices, the text entry, a wizard page and a property sheet.
#include "QdGuiScene.h"

#include "gui/framework/LMessageDialog.h"
#include "gui/framework/LPropertySheet.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace {

// Grabs the modal window once shown and settled, then lets end() close it.
void CaptureModal(QdGuiSceneContext& context, QTimer& poll, std::function<bool()> ready,
                  std::function<void()> end)
{
    QObject::connect(&poll, &QTimer::timeout, [&context, &poll, ready, end] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible() || (ready && !ready()))
            return;
        poll.stop();
        QTimer::singleShot(60, modal, [&context, modal, end] {
            context.capture(modal);
            end();
        });
    });
    poll.start(20);
}

bool Message(QdGuiSceneContext& context)
{
    static const LMessageButton buttons[] = {
        {5000, "Record a new side", "Connect the turntable and start the recording wizard"},
        {5001, "Open recordings", "Edit, split and clean up what you recorded before"},
        {5002, "Burn a CD", nullptr},
        {0, nullptr, nullptr},
    };
    LMessageDialog dialog(nullptr, "Welcome", "What would you like to do?",
                          "You can change this later from the File menu.", buttons, 5001, false);
    dialog.showCheckBox = true;
    QTimer poll;
    CaptureModal(context, poll, {}, [&dialog] { dialog.SendCommand(kCommandCancel); });
    dialog.Run();
    return !context.captured.isNull();
}

bool TextEntry(QdGuiSceneContext& context)
{
    char text[260] = "The Hollow Pines";
    QTimer poll;
    CaptureModal(context, poll, {}, [] {
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
    });
    LRunTextEntryDialog(text, "Artist", nullptr, nullptr, nullptr);
    return !context.captured.isNull();
}

class Page : public LWizardPage
{
public:
    void OnCreate() override
    {
        const double s = GetScaleFactor();
        AddStaticText(101, "Connect the turntable to the line input, then press Next.");
        SetControlRect(101, static_cast<int>(20 * s), static_cast<int>(10 * s), static_cast<int>(360 * s),
                       static_cast<int>(20 * s));
        AddCheckBox(102, "Calibrate the input volume first");
        SetControlRect(102, static_cast<int>(20 * s), static_cast<int>(40 * s), static_cast<int>(300 * s),
                       static_cast<int>(22 * s));
    }
};

bool Wizard(QdGuiSceneContext& context)
{
    Page first, second;
    LWizard wizard;
    wizard.AddPage(&first, "Recording Source", "Choose where the sound comes from", 200, 70, true);
    wizard.AddPage(&second, "Side One", "Record the first side", 200, 70, true);
    QTimer poll;
    CaptureModal(
        context, poll, [&wizard] { return wizard.CurrentPage() >= 0; },
        [&wizard] { wizard.SendCommand(kCommandCancel); });
    wizard.DoModal(nullptr, "Recording Wizard");
    return !context.captured.isNull();
}

void BuildGeneral(LWindow* window, int, int, int)
{
    const double s = window->GetScaleFactor();
    window->AddCheckBox(101, "Check for updates at start");
    window->SetControlRect(101, static_cast<int>(16 * s), static_cast<int>(16 * s), static_cast<int>(260 * s),
                           static_cast<int>(22 * s));
    window->AddCheckBox(102, "Show the welcome dialog");
    window->SetControlRect(102, static_cast<int>(16 * s), static_cast<int>(44 * s), static_cast<int>(260 * s),
                           static_cast<int>(22 * s));
}

bool Sheet(QdGuiSceneContext& context)
{
    static const LDialogTemplate general{320, 110, "General", true, BuildGeneral};
    static const LDialogTemplate output{320, 140, "Output", true, nullptr};
    LPropertyPage first, second;
    LPropertySheet sheet;
    sheet.AddPage(&first, &general, nullptr);
    sheet.AddPage(&second, &output, nullptr);
    QTimer poll;
    CaptureModal(context, poll, {}, [&sheet] { sheet.SendCommand(kCommandCancel); });
    sheet.DoModal(nullptr, "Preferences", 0);
    return !context.captured.isNull();
}

} // namespace

QD_GUI_SCENE("message-dialog", Message);
QD_GUI_SCENE("text-entry", TextEntry);
QD_GUI_SCENE("wizard", Wizard);
QD_GUI_SCENE("property-sheet", Sheet);
