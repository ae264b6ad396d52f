#pragma once

#include <QPointF>

namespace Rirediro {

// How the viewer maps the image onto the screen.
struct ImageViewInfo
{
    double zoom = 1.0;
    QPointF pan;
};

} // namespace Rirediro

// What the viewer of a project shows and how.
struct VUVI_RenderingContext
{
    // Which shapes the viewer draws.
    enum DisplayMode { Drawn = 0, Tracked = 1, Stabilised = 2 };

    Rirediro::ImageViewInfo imageViewInfo;
    // Drawn shows shapes where they were drawn; Tracked and Stabilised
    // show them where their layer's track carries them.
    int displayMode = Drawn;

    bool showsTrackedShapes() const { return displayMode == Tracked || displayMode == Stabilised; }
};
