#include "app/program/wizard/WizardLayout.h"

#include "gui/framework/LTextLines.h"

void WizardPlace(LWindow* page, int id, double x, double y, double w, double h)
{
    const double s = page->GetScaleFactor();
    page->SetControlRect(id, static_cast<int>(x * s), static_cast<int>(y * s), static_cast<int>(w * s),
                         static_cast<int>(h * s));
}

void WizardAddText(LWindow* page, int id, const char* text, double x, double y, double w, double h)
{
    const double s = page->GetScaleFactor();
    page->AddStaticText(id, LBreakTextIntoLines(page, text, static_cast<int>(w * s)).c_str());
    WizardPlace(page, id, x, y, w, h);
}
