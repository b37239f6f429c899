#include "gui/framework/LPopupMenu.h"

#include <algorithm>

LPopupOrigin LClampPopupOrigin(double x, double y, double width, double height, double screenLeft,
                               double screenTop, double screenRight, double screenBottom)
{
    constexpr double kInset = 10;
    // The far edges first, so a menu larger than the screen still starts
    // inside it at the near edges.
    x = std::min(x, screenRight - kInset - width);
    x = std::max(x, screenLeft + kInset);
    y = std::min(y, screenBottom - kInset - height);
    y = std::max(y, screenTop + kInset);
    return {x, y};
}
