#include "gui/controls/LDBEdit.h"

#include "gui/framework/LWindow.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr const char* kObjectKey = "ldbedit";
constexpr const char* kCommandKey = "ldbeditcommand";
constexpr const char* kMinKey = "ldbeditmin";
constexpr const char* kMaxKey = "ldbeditmax";
constexpr const char* kValueKey = "ldbeditvalue";

int ReadByte(LViewHandle view, const char* key)
{
    return static_cast<int8_t>(static_cast<uint8_t>(LAssociatedData::GetData(view, key)));
}

void WriteByte(LViewHandle view, const char* key, int value)
{
    LAssociatedData::SetData(static_cast<uint8_t>(static_cast<int8_t>(value)), view, key);
}

} // namespace

LDBEdit::LDBEdit(LWindow* window, int id)
{
    Attach(window, id);
    if (view) {
        LAssociatedData::SetData(reinterpret_cast<uintptr_t>(this), view, kObjectKey);
        WriteByte(view, kMinKey, -36);
        WriteByte(view, kMaxKey, 12);
        LAssociatedData::SetData(static_cast<uint32_t>(id), view, kCommandKey);
    }
    // The label font of the system size less 2 points.
    font_.size = 11;
    Invalidate();
}

LDBEdit::~LDBEdit()
{
    if (view && FromView(view) == this)
        LAssociatedData::SetData(0, view, kObjectKey);
    Destroy();
}

LDBEdit* LDBEdit::FromView(LViewHandle view)
{
    return reinterpret_cast<LDBEdit*>(LAssociatedData::GetData(view, kObjectKey));
}

bool LDBEdit::SetRange(const int8_t* min, const int8_t* max)
{
    if (!view || min == nullptr || max == nullptr || *min >= *max)
        return false;
    WriteByte(view, kMinKey, *min);
    WriteByte(view, kMaxKey, *max);
    Invalidate();
    return true;
}

void LDBEdit::SetValue(const int8_t* dB)
{
    if (!view || dB == nullptr)
        return;
    WriteByte(view, kValueKey, std::clamp<int>(*dB, GetMin(), GetMax()));
    Invalidate();
}

int LDBEdit::GetValue() const
{
    return view ? ReadByte(view, kValueKey) : 0;
}
int LDBEdit::GetMin() const
{
    return view ? ReadByte(view, kMinKey) : -36;
}
int LDBEdit::GetMax() const
{
    return view ? ReadByte(view, kMaxKey) : 12;
}
int LDBEdit::GetCommand() const
{
    return view ? static_cast<int>(static_cast<uint32_t>(LAssociatedData::GetData(view, kCommandKey))) : 0;
}
void LDBEdit::SetCommand(int command)
{
    if (view)
        LAssociatedData::SetData(static_cast<uint32_t>(command), view, kCommandKey);
}

void LDBEdit::Paint(LPaintContext* context)
{
    const double s = ScaleFactor();
    double wp = 0, hp = 0;
    LGetViewSizePoints(view, &wp, &hp);
    const int m = static_cast<int>(2 * s);
    const int min = GetMin(), max = GetMax(), v = GetValue();
    context->FillRect(context->area, LRGBColor::FromRGB8(167, 174, 166));
    const int trackW = static_cast<int>((wp - 10) * s + 0.5);
    const int trackH = static_cast<int>((hp - 4) * s + 0.5);
    const double k = std::max(1.0, static_cast<double>(trackW) / std::max(1, max - min));
    const int zeroX = static_cast<int>(-min * k);
    const int valX = static_cast<int>(v * k);
    int knob;
    if (v > 0) {
        context->FillRect({m, m, zeroX, trackH}, LRGBColor::FromRGB8(102, 153, 51));
        context->FillRect({2 * m, 2 * m, zeroX - 2 * m, trackH - 2 * m}, LRGBColor::FromRGB8(153, 204, 102));
        context->FillRect({zeroX, m, valX + m, trackH}, LRGBColor::FromRGB8(135, 10, 22));
        context->FillRect({zeroX + m, 2 * m, valX - 3 * m, trackH - 2 * m}, LRGBColor::FromRGB8(192, 0, 85));
        knob = zeroX + valX;
    } else if (v > min) {
        const int e = zeroX + valX;
        context->FillRect({m, m, e, trackH}, LRGBColor::FromRGB8(102, 153, 51));
        context->FillRect({2 * m, 2 * m, e - m, trackH - 2 * m}, LRGBColor::FromRGB8(153, 204, 102));
        knob = e + m;
    } else {
        knob = m;
    }
    knob = std::min(knob, trackW);
    knobX_ = knob;
    const int knobW = static_cast<int>(8 * s);
    const LRGBColor focus = LGetFocusColour();
    LRGBColor raised = focus;
    raised.blue = static_cast<uint16_t>(std::min(65535, focus.blue + 8000));
    context->FillRect({knob, m, knobW, trackH}, focus);
    context->FillRect({knob + m, 2 * m, knobW - 2 * m, trackH - 2 * m}, raised);
    char label[16];
    std::snprintf(label, sizeof label, "%ddB", std::clamp(v, -127, 127));
    const float charW = owner ? owner->CharWidthPx() : 8.0f;
    LGuiFont font = font_;
    context->SetFont(font);
    context->SetTextColour(LRGBColor::FromRGB8(0, 0, 0));
    const int x = static_cast<int>(2 * charW + 0.5) + m;
    context->DrawText(label, {x, trackH / 4, 1 << 20, 1 << 20}, LTextFormat());
}

void LDBEdit::OnMouseMove(int x, int)
{
    if (!IsEnabled())
        return;
    const double s = ScaleFactor();
    if (!dragging_)
        return;
    double wp = 0, hp = 0;
    LGetViewSizePoints(view, &wp, &hp);
    const int w4 = static_cast<int>((wp - 4) * s + 0.5);
    // A host too narrow for a track has nothing to drag along.
    if (w4 <= 0)
        return;
    const int min = GetMin(), max = GetMax();
    const int xp = x - static_cast<int>(2 * s);
    const long product = static_cast<long>(max - min) * xp;
    const long q = (product + (product >= 0 ? w4 / 2 : -(w4 / 2))) / w4;
    int value = q <= 0 ? min : static_cast<int>(std::min<long>(min + q, max));
    value = std::clamp(value, -127, 127);
    const int8_t byte = static_cast<int8_t>(value);
    SetValue(&byte);
    Invalidate();
    if (const int command = GetCommand(); command != 0 && owner)
        owner->OnCommand(command, 0);
}

void LDBEdit::OnLButtonDown(int x, int y)
{
    if (!IsEnabled())
        return;
    dragging_ = true;
    SetCapture();
    OnMouseMove(x, y);
}

void LDBEdit::OnLButtonUp(int, int)
{
    dragging_ = false;
    LReleaseMouseCapture();
}

void LDBEdit::OnMouseLeave()
{
    dragging_ = false;
    LSetArrowCursor();
    LReleaseMouseCapture();
}

void LDBEdit::OnMouseWheel(int, int, int delta)
{
    const int min = GetMin(), max = GetMax();
    const int step = std::max(static_cast<int>(((max - min) / 2) * 0.1), 1);
    const int d = std::clamp(delta, -step, step);
    const int value = std::clamp(std::clamp(GetValue() + d, min, max), -127, 127);
    const int8_t byte = static_cast<int8_t>(value);
    SetValue(&byte);
}

LDBEdit* LCreateDBEdit(LWindow* window, int id)
{
    if (!window || !window->GetControl(id))
        return nullptr;
    auto* edit = new LDBEdit(window, id);
    if (!edit->GetView()) {
        delete edit;
        return nullptr;
    }
    LGiveControlToView(edit->GetView(), edit);
    return edit;
}

void LSetDBEditRange(LWindow* window, int id, int8_t min, int8_t max)
{
    if (LDBEdit* edit = window ? LDBEdit::FromView(window->GetControl(id)) : nullptr)
        edit->SetRange(&min, &max);
}

void LSetDBEditValue(LWindow* window, int id, int8_t dB)
{
    if (LDBEdit* edit = window ? LDBEdit::FromView(window->GetControl(id)) : nullptr)
        edit->SetValue(&dB);
}

int LGetDBEditValue(const LWindow* window, int id)
{
    LDBEdit* edit = window ? LDBEdit::FromView(window->GetControl(id)) : nullptr;
    return edit ? edit->GetValue() : 0;
}

void LSetDBEditCommand(LWindow* window, int id, int command)
{
    if (LDBEdit* edit = window ? LDBEdit::FromView(window->GetControl(id)) : nullptr)
        edit->SetCommand(command);
}
