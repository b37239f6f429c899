// The window's calls by control id that reach the custom-drawn controls.
#include "gui/controls/LCommandLinkButton.h"
#include "gui/controls/LDBEdit.h"
#include "gui/controls/LScrollView.h"
#include "gui/framework/LWindow.h"

#include <algorithm>
#include <cmath>

LViewHandle LWindow::AddPaintControl(int id)
{
    return LAddPaintControl(this, id);
}

LViewHandle LWindow::AddScrollPaintControl(int id, bool hScroll, bool vScroll)
{
    return LCreateScrollablePaintControl(this, id, 0, 0, 0, 0, hScroll, vScroll);
}

LViewHandle LWindow::AddDBEditControl(int id, int x, int y, int w)
{
    LViewHandle view = LAddDBEditControl(this, id);
    if (view != nullptr)
        SetControlRect(id, x, y, w, static_cast<int>(std::lround(25 * GetScaleFactor())));
    return view;
}

LDBEdit* LWindow::CreateDBEdit(int id)
{
    return LCreateDBEdit(this, id);
}

void LWindow::SetDBEditRange(int id, const int8_t* min, const int8_t* max)
{
    if (min != nullptr && max != nullptr)
        LSetDBEditRange(this, id, *min, *max);
}

void LWindow::SetDBEditValue(int id, const int8_t* dB)
{
    if (dB != nullptr)
        LSetDBEditValue(this, id, *dB);
}

int8_t LWindow::GetDBEditValue(int id) const
{
    return static_cast<int8_t>(std::clamp(LGetDBEditValue(this, id), -127, 127));
}

void LWindow::SetDBEditCommand(int id, int command)
{
    LSetDBEditCommand(this, id, command);
}

void LWindow::GetCommandLinkButtonSize(int id, int* w, int* h)
{
    LGetCommandLinkButtonSize(this, id, w, h);
}
