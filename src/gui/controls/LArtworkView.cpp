#include "gui/controls/LArtworkView.h"

#include "foundation/threads/LLocalProcessContext.h"
#include "gui/framework/LWindow.h"
#include "gui/graphics/LPictureFile.h"

#include <algorithm>

LArtworkView::~LArtworkView()
{
    image_.Release();
    Destroy();
}

bool LArtworkView::LoadImageFile(const char* path, std::string* failure)
{
    image_.Release();
    LBitmap bitmap;
    LLocalProcessContext context;
    char why[160] = {};
    const int result = LLoadPictureFile(context, path, bitmap, nullptr, why, sizeof why);
    bool loaded = result == 0 && image_.CreateFromBitmap(&bitmap, false);
    if (!loaded) {
        image_.Release();
        if (failure)
            *failure = why[0] != '\0' ? why : "The picture could not be read.";
    }
    Invalidate();
    return loaded;
}

void LArtworkView::Clear()
{
    image_.Release();
    Invalidate();
}

bool LArtworkView::HasPicture() const
{
    const LBitmap& b = image_.Bitmap();
    return image_.HasImage() && b.width > 0 && b.height > 0;
}

void LArtworkView::MenuCommands(int* commands, int* count) const
{
    int n = 0;
    commands[n++] = kBrowseCommand;
    if (HasPicture())
        commands[n++] = kRemoveCommand;
    *count = n;
}

void LArtworkView::OnRButtonDown(int, int)
{
    if (!menuEnabled_ || owner == nullptr || view == nullptr)
        return;
    LPopupMenu menu;
    menu.Create(owner, "");
    menu.AddItem(kBrowseCommand, "Browse");
    if (HasPicture())
        menu.AddItem(kRemoveCommand, "Remove");
    menu.SetHandler(this);
    owner->TrackPopupMenu(&menu, false);
}

void LArtworkView::OnMenuCommand(int32_t command, int32_t)
{
    if (listener_ == nullptr)
        return;
    if (command == kBrowseCommand)
        listener_->OnArtworkBrowse();
    else if (command == kRemoveCommand)
        listener_->OnArtworkRemove();
}

void LArtworkView::Paint(LPaintContext* context)
{
    context->FillRect({0, 0, width, height}, LRGBColor::FromRGB8(255, 255, 255));
    if (HasPicture()) {
        const LBitmap& b = image_.Bitmap();
        // The whole picture, its shape kept, centred.
        const double scale = std::min(double(width) / b.width, double(height) / b.height);
        const int w = std::max(1, static_cast<int>(b.width * scale));
        const int h = std::max(1, static_cast<int>(b.height * scale));
        context->DrawImage(image_, {(width - w) / 2, (height - h) / 2, w, h}, {});
        return;
    }
    LGuiPen pen;
    pen.colour = LRGBColor::FromRGB8(160, 160, 160);
    context->FrameRect({0, 0, width, height}, pen);
    context->SetTextColour(LRGBColor::FromRGB8(110, 110, 110));
    LTextFormat format;
    format.hAlign = 1;
    format.vAlign = 1;
    format.wrap = true;
    context->DrawText("No Artwork Available", {4, 4, width - 8, height - 8}, format);
}
