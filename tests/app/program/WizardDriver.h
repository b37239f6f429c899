#pragma once
// Runs the recording wizard modally offscreen and plays the user: a list
// of steps, one per turn of the event loop once a page is shown; when the
// steps run out the wizard is cancelled. Each step sees the wizard.

#include "app/program/wizard/RecordingWizard.h"
#include "gui/framework/LCommandRouting.h"

#include <QTimer>

#include <functional>
#include <vector>

namespace quorin::test {

using WizardStep = std::function<void(RecordingWizard&)>;

inline int DriveWizard(RecordingWizard& wizard, const std::vector<WizardStep>& steps)
{
    size_t next = 0;
    int cancels = 0;
    bool busy = false;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        LWizard& frame = wizard.Wizard();
        if (busy || !frame.IsWindow() || frame.CurrentPage() < 0)
            return;
        busy = true;
        if (next < steps.size())
            steps[next++](wizard);
        else if (++cancels < 3)
            frame.SendCommand(kCommandCancel);
        else // a page that keeps refusing: the test failed already, end anyway
            frame.EndDialog(kCommandCancel);
        busy = false;
    });
    timer.start(1);
    return wizard.Run(nullptr);
}

// Steps for the wizard's buttons and a page's own controls.
inline WizardStep Next()
{
    return [](RecordingWizard& w) { w.Wizard().SendCommand(kCommandOK); };
}
inline WizardStep Back()
{
    return [](RecordingWizard& w) { w.Wizard().SendCommand(kCommandBack); };
}
inline WizardStep Finish()
{
    return [](RecordingWizard& w) { w.Wizard().SendCommand(kCommandFinish); };
}
inline WizardStep Cancel()
{
    return [](RecordingWizard& w) { w.Wizard().SendCommand(kCommandCancel); };
}
// A click on a control of the current page: radios and check boxes change
// their check first, as a click does.
inline WizardStep Click(int id, bool check = false)
{
    return [id, check](RecordingWizard& w) {
        LWizardPage* page = w.Wizard().GetCurrentPage();
        if (check)
            page->SetCheck(id, true);
        LSendCommandToWindow(id, page);
    };
}
inline WizardStep Do(std::function<void(RecordingWizard&)> action)
{
    return action;
}

} // namespace quorin::test
