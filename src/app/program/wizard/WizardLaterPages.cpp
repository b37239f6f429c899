// The pages after the recorded sides, made for one run of the wizard: they
// work on the run's folders, ask and tell through its ui, split the sides
// again through the side processing and hand the tracks to its host.
#include "app/program/wizard/WizardLaterPages.h"

#include "app/program/wizard/AudioRestorationPage.h"
#include "app/program/wizard/OutputMethodsPage.h"
#include "app/program/wizard/SideProcessing.h"
#include "app/program/wizard/WizardTasks.h"
#include "app/program/wizard/SplitRecordingsPage.h"
#include "gui/framework/LMessageBox.h"

namespace {

WizardTrackFolders TrackFolders(const WizardRun& run)
{
    return {run.folders.Recording(), run.folders.Save()};
}

WizardSideActions SideActions(WizardRun& run)
{
    WizardSideActions actions;
    actions.splitSides = [&run](LWindow* parent) { SplitRecordedSides(run, parent); };
    actions.restoreSidesUnsplit = [&run](LWindow* parent) { RestoreSidesWithoutSplitting(run, parent); };
    actions.mayCancel = [&run](LWindow* parent) { return ConfirmEndWithoutSaving(run, parent); };
    return actions;
}

class RunSplitPage : public SplitRecordingsPage
{
public:
    explicit RunSplitPage(WizardRun& run) : SplitRecordingsPage(TrackFolders(run), SideActions(run)), run_(run) {}

protected:
    void Tell(const char* text) override
    {
        run_.ui->Tell(this, text, kWizardProductTitle, LMessageBoxCriticalStyle);
    }

private:
    WizardRun& run_;
};

class RunRestorationPage : public AudioRestorationPage
{
public:
    explicit RunRestorationPage(WizardRun& run)
        : AudioRestorationPage(TrackFolders(run), SideActions(run)), run_(run)
    {
    }

protected:
    int Ask(const char* text, const char* title, const char* first, const char* second) override
    {
        return run_.ui->Ask(this, text, title, first, second);
    }
    void Tell(const char* text) override
    {
        run_.ui->Tell(this, text, kWizardProductTitle, LMessageBoxCriticalStyle);
    }

private:
    WizardRun& run_;
};

// The run's host as the hand-over's receiver.
class HostReceiver : public WizardTrackReceiver
{
public:
    explicit HostReceiver(WizardRun& run) : run_(run) {}
    bool TakeFile(const char* path) override { return run_.host != nullptr && run_.host->TakeFile(path); }

private:
    WizardRun& run_;
};

struct HostReceiverHolder
{
    explicit HostReceiverHolder(WizardRun& run) : receiver(run) {}
    HostReceiver receiver;
};

class RunOutputPage : private HostReceiverHolder, public OutputMethodsPage
{
public:
    explicit RunOutputPage(WizardRun& run)
        : HostReceiverHolder(run), OutputMethodsPage(TrackFolders(run), &receiver, SideActions(run)), run_(run)
    {
    }

    bool CanOK() override
    {
        if (!OutputMethodsPage::CanOK())
            return false;
        // Every track is in the host's hands: the working folders may go.
        run_.handedOver = true;
        return true;
    }

protected:
    void Tell(const char* text) override
    {
        run_.ui->Tell(this, text, kWizardProductTitle, LMessageBoxCriticalStyle);
    }

private:
    WizardRun& run_;
};

} // namespace

WizardPageMade MakeSplitRecordingsPage(WizardRun& run)
{
    return {std::make_unique<RunSplitPage>(run), SplitRecordingsPage::Template()};
}

WizardPageMade MakeAudioRestorationPage(WizardRun& run)
{
    return {std::make_unique<RunRestorationPage>(run), AudioRestorationPage::Template()};
}

WizardPageMade MakeOutputMethodsPage(WizardRun& run)
{
    return {std::make_unique<RunOutputPage>(run), OutputMethodsPage::Template()};
}
