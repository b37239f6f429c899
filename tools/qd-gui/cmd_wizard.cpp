// qd-gui wizard PAGES [--script STEPS]: a wizard of pages named by PAGES
// ("A,B-,C!": "-" inactive, "!" refuses to be left by Next or Finish), walked
// by STEPS (next, back, finish, cancel, one per turn; cancel when they run
// out). Prints each page shown, then result=ok or result=cancel.
#include "QdGuiCommand.h"

#include "gui/framework/LPropertySheet.h"

#include <QTimer>

#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

class ScriptPage : public LWizardPage
{
public:
    std::string name;
    bool active = true;
    bool refuses = false;
    bool IsPageActive() override { return active; }
    bool CanOK() override { return !refuses; }
    void OnPageShown() override { std::printf("%s\n", name.c_str()); }
};

std::vector<std::string> Split(const std::string& text)
{
    std::vector<std::string> parts;
    std::stringstream in(text);
    std::string part;
    while (std::getline(in, part, ','))
        if (!part.empty())
            parts.push_back(part);
    return parts;
}

int Wizard(int argc, char** argv)
{
    if (argc < 1 || (argc != 1 && argc != 3) || (argc == 3 && std::string(argv[1]) != "--script")) {
        std::fprintf(stderr, "usage: qd-gui wizard PAGES [--script STEPS]\n");
        return 2;
    }
    std::vector<int> steps;
    if (argc == 3) {
        for (const std::string& step : Split(argv[2])) {
            if (step == "next")
                steps.push_back(kCommandOK);
            else if (step == "back")
                steps.push_back(kCommandBack);
            else if (step == "finish")
                steps.push_back(kCommandFinish);
            else if (step == "cancel")
                steps.push_back(kCommandCancel);
            else
                return std::fprintf(stderr, "qd-gui wizard: unknown step %s\n", step.c_str()), 2;
        }
    }
    std::vector<std::unique_ptr<ScriptPage>> pages;
    LWizard wizard;
    for (std::string spec : Split(argv[0])) {
        auto page = std::make_unique<ScriptPage>();
        while (!spec.empty() && (spec.back() == '-' || spec.back() == '!')) {
            (spec.back() == '-' ? page->active : page->refuses) = spec.back() == '-' ? false : true;
            spec.pop_back();
        }
        page->name = spec;
        wizard.AddPage(page.get(), spec.c_str(), "A page of the script", 160, 90, false);
        pages.push_back(std::move(page));
    }
    size_t next = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (!wizard.IsWindow() || (wizard.PageCount() > 0 && wizard.CurrentPage() < 0))
            return;
        const int command = next < steps.size() ? steps[next++] : kCommandCancel;
        std::fflush(stdout);
        wizard.SendCommand(command);
    });
    timer.start(20);
    const bool ok = wizard.DoModal(nullptr, "Wizard");
    timer.stop();
    std::printf("result=%s\n", ok ? "ok" : "cancel");
    return std::fflush(stdout) == 0 ? 0 : 2;
}

QdGuiCommandRegistrar registrar("wizard", Wizard);

} // namespace
