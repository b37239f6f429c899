// The first run's installer wizard offering the German edition, as a German
// system sees it when the maker lists one (this build lists none, so the
// scene brings its own record).
#include "QdGuiScene.h"

#include "app/program/startup/LLanguageOfferPage.h"
#include "gui/qt/LQtView.h"

#include <QTimer>
#include <QWidget>

#include <cstdlib>

namespace {

class ShotPage : public LLanguageOfferPage
{
public:
    ShotPage(const std::vector<LEditionRecord>& records, QdGuiSceneContext& context)
        : LLanguageOfferPage(records), context_(context)
    {
    }
    void OnPageShown() override
    {
        LLanguageOfferPage::OnPageShown();
        LWizard* wizard = GetWizard();
        QdGuiSceneContext* context = &context_;
        QTimer::singleShot(400, [wizard, context] {
            context->capture(LQtWidget(wizard->GetView())->window());
            wizard->EndDialog(kCommandCancel);
        });
    }

private:
    QdGuiSceneContext& context_;
};

bool Build(QdGuiSceneContext& context)
{
    setenv("LC_ALL", "de_DE.UTF-8", 1);
    static const std::vector<LEditionRecord> records = {
        {"DE", "3.00", "https://www.oxbelsoftware.com/de/quorin/quorinmaci.zip", nullptr}};
    ShotPage page(records, context);
    if (!page.HasOffer())
        return false;
    LWizard wizard;
    wizard.AddPage(&page, "Language Selection", "", 325, 166, false);
    wizard.DoModal(nullptr, "Installing Quorin v 3.00");
    return !context.captured.isNull();
}

} // namespace

QD_GUI_SCENE("language-offer", Build);
