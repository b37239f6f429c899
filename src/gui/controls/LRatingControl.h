#pragma once
// A row of stars that shows a rating and lets the user set it with the mouse.
// Star i (1-based) fills the slot from (i - 1) x size to i x size, and the
// hit test uses the same slots, so a click lands on the star it is over; the
// first quarter of the first star clears the rating.

#include "gui/controls/LPaintControl.h"

#include <cstdint>

class LRatingControl : public LPaintControl
{
public:
    ~LRatingControl() override;

    // Star size from the window's line height; rating 0; binds to id.
    void Create(LWindow* window, int id, int starCount);

    // The rating the owner reads and writes; SetRating clamps and repaints.
    int GetRating() const { return rating_; }
    void SetRating(int rating);
    int StarCount() const { return count_; }
    int StarSize() const { return size_; }
    // Width that holds every star.
    int PreferredWidth() const { return count_ * size_; }
    // The rating a click at x (pixels) gives: 0 ..star count.
    int StarAt(int x) const;
    int HoverRating() const { return hoverRating_; }
    bool Hovering() const { return hovering_; }

    // The pictures (copied); the hover one may be left empty, the filled
    // star then previews the hover.
    void SetImages(const LGuiImage* filled, const LGuiImage* empty, const LGuiImage* hover);
    // Star pictures drawn at size pixels: gold, grey outline, and a lighter
    // gold for the hover preview.
    static void MakeStarImages(int size, LGuiImage* filled, LGuiImage* empty, LGuiImage* hover);

    void OnMouseEnter() override;
    void OnMouseLeave() override;
    void OnMouseMove(int x, int y) override;
    void OnLButtonDown(int x, int y) override;
    void OnLButtonUp(int x, int y) override;
    void Paint(LPaintContext* context) override;

private:
    void Changed();

    LGuiImage filled_;
    LGuiImage empty_;
    LGuiImage hover_;
    int id_ = 0;
    int count_ = 5;
    int size_ = 17;
    int offset_ = 4;
    int rating_ = 0;
    int hoverRating_ = 0;
    bool hovering_ = false;
};
