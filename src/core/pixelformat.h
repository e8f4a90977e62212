// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_PIXELFORMAT_H
#define VELLORA_PIXELFORMAT_H

#include <gdk-pixbuf/gdk-pixbuf.h>

// Every scan becomes three 8-bit channels for the cut-out. gdk-pixbuf hands
// grey images over as RGB, or as RGBA when they carry alpha (grey TIFFs
// always do); a pixel with alpha is what it shows on white paper.

// Takes over the caller's reference to image and returns an RGB image
// without alpha: the image itself when it has none, else its composite on
// white. nullptr (image released) when there is no memory or the image is
// no 8-bit RGB(A) pixbuf.
GdkPixbuf *toOpaqueRgb(GdkPixbuf *image);

#endif
