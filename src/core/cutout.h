// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_CUTOUT_H
#define VELLORA_CUTOUT_H

#include <gdk-pixbuf/gdk-pixbuf.h>

#include "geometry.h"
#include "params.h"
#include "progress.h"

enum { SubImgTemp = 0, SubImgHygro = 1 };

// Largest field image we agree to make; bigger parameters fail the cut-out.
const int kMaxFieldSide = 32000;
const double kMaxFieldPixels = 64.0e6;

// What the user is told when the fields cannot be cut out.
extern const char kCutOutFailedText[];

// The shortest pass point spans (scan pixels) that allow a cut-out.
const double kMinPassPointSpan = 200.0;

// Sizes derived from the parameters.
struct FieldGeometry {
    double sagittaMM;   // s = R - sqrt(R^2 - H^2/4) of the taller field
    double widthPx;     // Wd = p * W
    double heightPx;    // Hd = p * H
    int imageWidth;     // Wpx
    int imageHeight;    // Hpx
    double centreRow;   // cr = Hpx / 2
};

// 0 and the sizes of a field's image (both fields' images are equally wide);
// -1 when no real sagitta exists or the image would be larger than the limits
// above.
int fieldGeometry(const Params &params, FieldGeometry &geo, int field = SubImgTemp);

// Pass points in the order TopLeft, BottomLeft, BottomRight. True when both
// spans |P1-P0| and |P2-P0| are at least kMinPassPointSpan (NaN fails).
bool passPointsUsable(const Vec2 pass[3]);

// Scan corners S0..S3 of a field (field 0 temperature, 1 hygrometer).
void fieldCorners(const Params &params, int field, const Vec2 pass[3], Vec2 S[4]);

// Row shift in pixels of sampling row j for the pen arc: s (pixels) on the
// middle row cr, less toward the field's edges.
double arcShift(const Params &params, double j, double cr, double s);

// Cuts one field out of a three-channel scan: upright, straightened by the
// affine fit to the pass points, each row shifted for the pen arc. Image row r
// shows the paper r / dstPixelsPerMM mm from the field's TopLeft-BottomLeft
// edge. Returns a new RGB image or nullptr (numFieldPassPoints not 3, no
// transform, collinear points, no geometry, no memory).
GdkPixbuf *cutOutField(const Params &params, const GdkPixbuf *scan, int field,
                       const Vec2 pass[3], ProgressFn progress = nullptr,
                       void *progressUser = nullptr);

#endif
