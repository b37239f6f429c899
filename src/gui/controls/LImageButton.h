#pragma once
// A button drawn from three pictures (normal, hover, pressed); the windows
// that use it paint and handle the mouse themselves.

#include "gui/controls/LPaintControl.h"

class LImageButton : public LPaintControl
{
public:
    ~LImageButton() override
    {
        for (int i = 2; i >= 0; --i)
            images[i].Release();
        Destroy();
    }

    LGuiImage images[3];
};
