#pragma once
// Pictures by resource number, drawn at the size they are shown at: the icon
// theme's icon, else our own SVG drawing, else a raster file of the same
// number; a painted record stands in for a number with no picture at all.

#include <QImage>
#include <QSize>
#include <QString>

enum class LQtImageOrigin {
    kTheme, // the desktop's icon theme
    kFile,  // a picture of ours in the resources folder
    kDrawn, // the painted stand-in: the number has no picture
};

// A square picture pixelSize wide; a picture of another shape is fitted in
// and centred on a transparent ground.
QImage LQtLoadImageResource(int resourceId, int pixelSize, LQtImageOrigin* origin = nullptr);
// The picture fitted into box (device pixels), keeping its shape: the result
// is no larger than box and touches it on one side at least.
QImage LQtRenderImageResource(int resourceId, QSize box, LQtImageOrigin* origin = nullptr);
// The shape of a picture (its drawing's own size; square for theme icons).
QSize LQtImageResourceNaturalSize(int resourceId);

// Renders an SVG file exactly at size (device pixels); null when the file
// cannot be read.
QImage LQtRenderSvgFile(const QString& path, QSize size);

// Tests and tools: false leaves the icon theme out, as on a system without
// one (the environment variable QUORIN_NO_ICON_THEME does the same).
void LQtUseIconTheme(bool use);
