#include "gui/framework/LMessageBox.h"

#include "foundation/text/LUtf8.h"

namespace {

void CopyLabel(char (&dest)[260], const char* src)
{
    LUtf8CopyWhole(dest, src != nullptr ? src : "", sizeof dest);
}

} // namespace

LMessageBox::LMessageBox(LViewHandle parent, const char* informative, const char* message)
    : parentView(parent), text(informative != nullptr ? informative : "")
{
    CopyLabel(title, message);
}

void LMessageBox::SetButton(int index, const char* label)
{
    if (index == 1)
        CopyLabel(button1, label);
    else if (index == 2)
        CopyLabel(button2, label);
    else if (index == 3)
        CopyLabel(button3, label);
}

void LMessageBox::SetSuppression(const char* label, bool checked)
{
    showSuppression = true;
    CopyLabel(suppressionText, label);
    suppressionChecked = checked;
}

void LMessageBoxError(const char* text, const char* title)
{
    LMessageBox box(nullptr, text, title);
    box.style = LMessageBoxCriticalStyle;
    box.Show();
}

void LMessageBoxProductError(const char* text)
{
    LMessageBoxError(text, "Quorin");
}
