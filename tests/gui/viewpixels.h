#ifndef VELLORA_TEST_VIEWPIXELS_H
#define VELLORA_TEST_VIEWPIXELS_H

#include <gdk-pixbuf/gdk-pixbuf.h>

#include "harness.h"

// Looking for the colours of the field view overlays in grabbed pixels.

namespace viewpixels {

struct Rgb {
    guchar r, g, b;
};

const Rgb kYellow = {255, 255, 0};
const Rgb kMagenta = {255, 0, 255};
const Rgb kOlive = {170, 170, 0};
const Rgb kGreen = {0, 255, 0};
const Rgb kRed = {255, 0, 0};
const Rgb kBlue = {0, 0, 255};
const Rgb kGrid = {160, 160, 0};
const Rgb kNoon = {208, 208, 0};
const Rgb kBlack = {0, 0, 0};
const Rgb kWhite = {255, 255, 255};

inline bool isColor(const GdkPixbuf *image, int x, int y, Rgb c)
{
    guchar rgb[3];
    pixelAt(image, x, y, rgb);
    return rgb[0] == c.r && rgb[1] == c.g && rgb[2] == c.b;
}

// Pixels of colour c in columns x0..x1 and rows y0..y1, both included and
// clipped to the image.
inline int countColor(const GdkPixbuf *image, int x0, int x1, int y0, int y1, Rgb c)
{
    int n = 0;
    for (int x = MAX(x0, 0); x <= x1 && x < gdk_pixbuf_get_width(image); ++x) {
        for (int y = MAX(y0, 0); y <= y1 && y < gdk_pixbuf_get_height(image); ++y)
            n += isColor(image, x, y, c);
    }
    return n;
}

// A grabbed image released at the end of the scope.
class Grab {
public:
    explicit Grab(GtkWidget *widget) : image(grabWidget(widget)) {}
    ~Grab()
    {
        if (image)
            g_object_unref(image);
    }
    Grab(const Grab &) = delete;
    Grab &operator=(const Grab &) = delete;
    const GdkPixbuf *get() const { return image; }
    int count(int x0, int x1, int y0, int y1, Rgb c) const
    {
        return countColor(image, x0, x1, y0, y1, c);
    }
    bool is(int x, int y, Rgb c) const { return isColor(image, x, y, c); }

private:
    GdkPixbuf *image;
};

} // namespace viewpixels

#endif
