#include "app/program/wizard/WizardLayout.h"

void WizardPlace(LWindow* page, int id, double x, double y, double w, double h)
{
    const double s = page->GetScaleFactor();
    page->SetControlRect(id, static_cast<int>(x * s), static_cast<int>(y * s), static_cast<int>(w * s),
                         static_cast<int>(h * s));
}

std::string WizardBreakIntoLines(const LWindow* window, const char* text, int widthPx)
{
    std::string out, line, word;
    auto flushWord = [&] {
        if (word.empty())
            return;
        const std::string candidate = line.empty() ? word : line + " " + word;
        if (!line.empty() && window->GetTextWidth(candidate.c_str()) > widthPx) {
            out += line + "\n";
            line = word;
        } else {
            line = candidate;
        }
        word.clear();
    };
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p == ' ') {
            flushWord();
        } else if (*p == '\n') {
            flushWord();
            out += line + "\n";
            line.clear();
        } else {
            word += *p;
        }
    }
    flushWord();
    return out + line;
}

void WizardAddText(LWindow* page, int id, const char* text, double x, double y, double w, double h)
{
    const double s = page->GetScaleFactor();
    page->AddStaticText(id, WizardBreakIntoLines(page, text, static_cast<int>(w * s)).c_str());
    WizardPlace(page, id, x, y, w, h);
}
