#include "gui/controls/LVolumeSlider.h"

#include "gui/framework/LWindow.h"
#include "gui/qt/LQtView.h"
#include "gui/qt/controls/LQtSmallControls.h"

#include <algorithm>

namespace {

LQtVolumeSliderImpl* Slider(LWindow* window, int id)
{
    if (window == nullptr)
        return nullptr;
    return qobject_cast<LQtVolumeSliderImpl*>(LQtWidget(window->GetControl(id)));
}

} // namespace

void LVolumeSlider::Attach(LWindow* window, int id)
{
    window_ = nullptr;
    LQtVolumeSliderImpl* slider = Slider(window, id);
    if (slider == nullptr)
        return;
    window_ = window;
    id_ = id;
    slider->SetIcons(kIconVolumeMin, kIconVolumeMax);
    SetRange(bottom_, top_);
}

bool LVolumeSlider::IsAttached() const
{
    return Slider(window_, id_) != nullptr;
}

void LVolumeSlider::SetRange(int bottomLevel, int topLevel)
{
    bottom_ = std::min(bottomLevel, topLevel);
    top_ = std::max(bottomLevel, topLevel);
    if (LQtVolumeSliderImpl* slider = Slider(window_, id_)) {
        const QSignalBlocker quiet(slider->Slider());
        slider->SetMinLevel(bottom_);
        slider->SetMaxLevel(top_);
    }
}

void LVolumeSlider::SetLevel(int level)
{
    if (LQtVolumeSliderImpl* slider = Slider(window_, id_))
        slider->SetLevel(level);
}

int LVolumeSlider::GetLevel() const
{
    LQtVolumeSliderImpl* slider = Slider(window_, id_);
    return slider != nullptr ? slider->Level() : bottom_;
}
