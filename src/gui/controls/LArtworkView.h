#pragma once
// The picture of a tag: drawn scaled into the control with its shape kept,
// or "No Artwork Available" in a frame. A right click offers Browse and,
// while a picture shows, Remove; the choice goes to the listener.

#include "gui/controls/LPaintControl.h"
#include "gui/framework/LPopupMenu.h"

#include <string>

class LArtworkViewListener
{
public:
    virtual ~LArtworkViewListener() = default;
    virtual void OnArtworkBrowse() = 0;
    virtual void OnArtworkRemove() = 0;
};

class LArtworkView : public LPaintControl, private LMenuHandler
{
public:
    static constexpr int kBrowseCommand = 1001;
    static constexpr int kRemoveCommand = 1002;

    ~LArtworkView() override;

    // Decodes the picture file and shows it; false (and no picture) when it
    // cannot be decoded, failure then says why.
    bool LoadImageFile(const char* path, std::string* failure = nullptr);
    void Clear();
    bool HasPicture() const;
    const LBitmap& Picture() const { return image_.Bitmap(); }

    void SetListener(LArtworkViewListener* listener) { listener_ = listener; }
    void EnableMenu(bool enable) { menuEnabled_ = enable; }
    bool MenuEnabled() const { return menuEnabled_; }
    // The menu's commands, as a right click would offer them.
    void MenuCommands(int* commands, int* count) const;

    void OnRButtonDown(int x, int y) override;
    void OnMenuCommand(int32_t command, int32_t extra) override;
    void Paint(LPaintContext* context) override;

private:
    LGuiImage image_;
    LArtworkViewListener* listener_ = nullptr;
    bool menuEnabled_ = true;
};
