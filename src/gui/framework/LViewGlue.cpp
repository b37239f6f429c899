#include "gui/framework/LViewGlue.h"

#include "gui/framework/LMessageBox.h"
#include "gui/framework/LWindow.h"

void LMessageBoxProductErrorForWindow(LWindow* window, const char* text)
{
    LMessageBox box(window ? window->GetView() : nullptr, text, "Quorin");
    box.style = LMessageBoxCriticalStyle;
    box.Show();
}

void LSetControlText(LWindow* window, int id, const char* text)
{
    if (window != nullptr)
        window->SetControlText(id, text);
}
