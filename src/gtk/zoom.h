// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_ZOOM_H
#define VELLORA_ZOOM_H

#include <cmath>

// Zoom of a view: widget pixels per image pixel. Image position p shows at
// widget position p * scale; widget position w shows image position w / scale.

const double kMinZoom = 1.0 / 32.0;
const double kMaxZoom = 16.0;
// One step of the wheel or of the + and - keys.
const double kZoomStep = 1.4142135623730951;

inline double clampZoom(double scale)
{
    return scale < kMinZoom ? kMinZoom : scale > kMaxZoom ? kMaxZoom : scale;
}

// The next scale in or out (direction > 0 or < 0); 1:1 is never stepped over,
// so that the steps lead back to it.
inline double steppedZoom(double scale, int direction)
{
    const double next = direction > 0 ? scale * kZoomStep : scale / kZoomStep;
    if ((scale < 1.0 && next > 1.0) || (scale > 1.0 && next < 1.0))
        return 1.0;
    return clampZoom(next);
}

// The largest scale at which the whole image fits the visible area.
inline double fitZoom(int visibleWidth, int visibleHeight, int imageWidth, int imageHeight)
{
    if (imageWidth <= 0 || imageHeight <= 0 || visibleWidth <= 0 || visibleHeight <= 0)
        return 1.0;
    const double sx = static_cast<double>(visibleWidth) / imageWidth;
    const double sy = static_cast<double>(visibleHeight) / imageHeight;
    return clampZoom(sx < sy ? sx : sy);
}

inline double toImage(double widgetPos, double scale)
{
    return widgetPos / scale;
}

// The image pixel (column or row) under a widget position.
inline int pixelUnder(double widgetPos, double scale)
{
    return static_cast<int>(std::floor(widgetPos / scale));
}

// Widget size of an image side at a scale: every image pixel shows whole.
inline int zoomedSize(int imageSide, double scale)
{
    return static_cast<int>(std::ceil(imageSide * scale));
}

// The scroll offset that keeps the image point under the pointer in place
// when the scale changes: pointer and offset in widget pixels.
inline double scrollKeepingPoint(double pointer, double offset, double oldScale, double newScale)
{
    return pointer / oldScale * newScale - (pointer - offset);
}

#endif
