#include "cutout.h"

#include <algorithm>
#include <cmath>

#include "pixel.h"

int fieldGeometry(const Params &params, FieldGeometry &geo)
{
    const double W = params.srcFieldWidthMM, H = params.srcFieldHeightMM;
    const double R = params.srcRadiusMM, p = params.dstPixelsPerMM;
    double q = R * R - 0.25 * H * H;
    if (!(q >= 0.0) || !(R >= 0.5 * H))
        return -1;
    double s = R - std::sqrt(q);
    double wpx = std::trunc(0.5 + p * W + 1.2 * s * p);
    double hpx = std::trunc(0.5 + p * H);
    // Also refuses NaN and empty sizes, which no image can have.
    if (!(wpx >= 1.0 && hpx >= 1.0 && wpx <= kMaxFieldSide && hpx <= kMaxFieldSide &&
          wpx * hpx <= kMaxFieldPixels))
        return -1;
    geo.sagittaMM = s;
    geo.widthPx = p * W;
    geo.heightPx = p * H;
    geo.imageWidth = (int)wpx;
    geo.imageHeight = (int)hpx;
    geo.centreRow = geo.imageHeight * 0.5;
    return 0;
}

static Vec2 sub(Vec2 a, Vec2 b) { return Vec2{a.x - b.x, a.y - b.y}; }
static Vec2 add(Vec2 a, Vec2 b) { return Vec2{a.x + b.x, a.y + b.y}; }

bool passPointsUsable(const Vec2 pass[3])
{
    double l1 = vectorLength(sub(pass[1], pass[0]));
    double l2 = vectorLength(sub(pass[2], pass[0]));
    return l1 >= kMinPassPointSpan && l2 >= kMinPassPointSpan;
}

void fieldCorners(const Params &params, int field, const Vec2 pass[3], Vec2 S[4])
{
    const double H = params.srcFieldHeightMM, D = params.srcFieldDistMM;
    Vec2 b = sub(pass[2], pass[1]);
    double r = H / (2.0 * H + D);
    Vec2 w{r * b.x, r * b.y};
    Vec2 o = field == SubImgHygro ? sub(b, w) : Vec2{0.0, 0.0};
    S[0] = add(add(pass[1], o), w);
    S[1] = add(add(pass[0], o), w);
    S[2] = add(pass[1], o);
    S[3] = add(pass[0], o);
}

double arcShift(const Params &params, double j, double cr, double s)
{
    const double p = params.dstPixelsPerMM;
    double Rp = p * params.srcRadiusMM;
    double d = j - cr;
    double q = Rp * Rp - d * d;
    if (q <= 0.0)
        return 0.0;
    return s * p - (Rp - std::sqrt(q));
}

namespace {

const guchar kGapColor[3] = {255, 100, 100};

// Output is made in tiles whose scan pixels stay in cache: along a field row
// a chart turned by a quarter turn is read down a scan column, one scan line
// per pixel.
const int kTileRows = 64;
const int kTileColumns = 64;

struct ScanView {
    const guchar *pixels;
    int width, height, rowstride, channels;
};

inline void setRgb(guchar *d, const guchar *s)
{
    d[0] = s[0];
    d[1] = s[1];
    d[2] = s[2];
}

// The field row y: sampling position j, shift k, and the sampling map of the
// row, same arithmetic as applyAffine + 0.5 so results do not depend on how
// the row is walked.
struct RowSampler {
    const ScanView *scan;
    const AffineTransform *T;
    double j, rowX, rowY;
    int k;       // shift: sample i goes to column i + k
    int samples; // i runs over 0 .. samples - 1

    double fx(double i) const { return T->t[0] * i + rowX + T->t[2] + 0.5; }
    double fy(double i) const { return T->t[3] * i + rowY + T->t[5] + 0.5; }
    // trunc(f) lies inside exactly when -1 < f < size; false for NaN too.
    bool inside(double i) const
    {
        double x = fx(i), y = fy(i);
        return x > -1.0 && x < scan->width && y > -1.0 && y < scan->height;
    }
    const guchar *sample(double i) const
    {
        return scan->pixels + (gsize)(int)fy(i) * scan->rowstride +
               (gsize)(int)fx(i) * scan->channels;
    }
};

// Narrows [lo, hi] to the reals i with -1 < slope * i + offset < size.
void clipAxis(double slope, double offset, double size, double &lo, double &hi)
{
    if (slope == 0.0) {
        if (!(offset > -1.0 && offset < size))
            hi = lo - 1.0;
        return;
    }
    double a = (-1.0 - offset) / slope, b = (size - offset) / slope;
    lo = std::fmax(lo, std::fmin(a, b));
    hi = std::fmin(hi, std::fmax(a, b));
}

// The samples i of [first, last] that lie inside the scan: an interval,
// because both coordinates are monotone in i. The algebra gives it to within
// rounding; the exact test at its ends settles the last pixel.
void insideInterval(const RowSampler &r, int first, int last, int &a, int &b)
{
    double lo = first, hi = last;
    clipAxis(r.T->t[0], r.rowX + r.T->t[2] + 0.5, r.scan->width, lo, hi);
    clipAxis(r.T->t[3], r.rowY + r.T->t[5] + 0.5, r.scan->height, lo, hi);
    if (!(lo <= hi + 2.0)) {
        a = first;
        b = first - 1;
        return;
    }
    a = (int)std::fmax(first, std::floor(lo) - 1.0);
    b = (int)std::fmin(last, std::ceil(hi) + 1.0);
    while (a <= b && !r.inside(a))
        ++a;
    while (b >= a && !r.inside(b))
        --b;
}

// Columns [xa, xb) of the row: the gap colour before the shift and where the
// sample falls off the scan; [sa, sb) are the columns left to sample.
void spanOfRow(const RowSampler &r, guchar *row, int xa, int xb, int &sa, int &sb)
{
    int a, b;
    insideInterval(r, std::max(xa - r.k, 0), std::min(xb - r.k, r.samples) - 1, a, b);
    sa = a + r.k;
    sb = b + r.k + 1;
    if (sa >= sb)
        sa = sb = xb;
    for (int x = xa; x < sa; ++x)
        setRgb(row + 3 * x, kGapColor);
    for (int x = sb; x < xb; ++x)
        setRgb(row + 3 * x, kGapColor);
}

struct Tile {
    const RowSampler *rows; // of rows y0 .. y1 - 1
    int y0, y1, x0, x1;
};

// Walks the tile so that consecutive reads run along scan lines: by rows when
// a field row runs across the scan, else by columns (a chart turned by a
// quarter turn, the usual case).
void sampleTile(const Tile &t, guchar *pixels, int stride, bool byColumns)
{
    int sa[kTileRows], sb[kTileRows];
    for (int y = t.y0; y < t.y1; ++y)
        spanOfRow(t.rows[y - t.y0], pixels + (gsize)y * stride, t.x0, t.x1, sa[y - t.y0],
                  sb[y - t.y0]);
    if (!byColumns) {
        for (int y = t.y0; y < t.y1; ++y) {
            const RowSampler &r = t.rows[y - t.y0];
            guchar *row = pixels + (gsize)y * stride;
            double i = sa[y - t.y0] - r.k;
            for (int x = sa[y - t.y0]; x < sb[y - t.y0]; ++x, i += 1.0)
                setRgb(row + 3 * x, r.sample(i));
        }
        return;
    }
    for (int x = t.x0; x < t.x1; ++x)
        for (int y = t.y0; y < t.y1; ++y) {
            int n = y - t.y0;
            if (x >= sa[n] && x < sb[n])
                setRgb(pixels + (gsize)y * stride + 3 * x, t.rows[n].sample(x - t.rows[n].k));
        }
}

// Rounding leaves a tiny determinant for collinear pass points, which
// invert3x3 accepts; a map whose two axes are parallel to within 1e-9 rad
// squashes the field to a line.
bool degenerate(const AffineTransform &T)
{
    double det = T.t[0] * T.t[4] - T.t[1] * T.t[3];
    double axes = std::hypot(T.t[0], T.t[3]) * std::hypot(T.t[1], T.t[4]);
    return !(std::fabs(det) > 1e-9 * axes);
}

RowSampler rowSampler(const Params &params, const FieldGeometry &geo, const ScanView &scan,
                      const AffineTransform &T, int y)
{
    RowSampler r;
    r.scan = &scan;
    r.T = &T;
    r.j = geo.heightPx - y;
    r.rowX = T.t[1] * r.j;
    r.rowY = T.t[4] * r.j;
    // The shift never exceeds the sagitta in pixels; the clamp only keeps
    // the conversion defined.
    double shift = arcShift(params, r.j, geo.centreRow, geo.sagittaMM);
    shift = std::fmax(-geo.imageWidth, std::fmin(geo.imageWidth, shift));
    r.k = (int)std::trunc(shift + 0.5);
    r.samples = geo.imageWidth;
    return r;
}

} // namespace

// Pixel centres: field image pixel (i, y) samples field position (i, Hd - y)
// before the arc shift, so row y shows the paper y / dstPixelsPerMM mm from
// the TopLeft-BottomLeft edge; scan pixel (X, Y) covers [X - 0.5, X + 0.5) in
// both directions, hence the nearest-neighbour read of trunc(s + 0.5).
GdkPixbuf *cutOutField(const Params &params, const GdkPixbuf *scan, int field,
                       const Vec2 pass[3], ProgressFn progress, void *progressUser)
{
    if (params.numFieldPassPoints != 3)
        return nullptr;
    FieldGeometry geo;
    if (fieldGeometry(params, geo) != 0)
        return nullptr;
    const double Wd = geo.widthPx, Hd = geo.heightPx;
    const Vec2 C[4] = {{0.0, 0.0}, {Wd, 0.0}, {0.0, Hd}, {Wd, Hd}};
    Vec2 S[4];
    fieldCorners(params, field, pass, S);
    AffineTransform T;
    double inverse[9];
    if (fitAffine(C, S, T) != 0 || invert3x3(T.t, inverse) != 0 || degenerate(T))
        return nullptr;

    GdkPixbuf *image =
        gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, geo.imageWidth, geo.imageHeight);
    if (!image)
        return nullptr;
    const ScanView view{gdk_pixbuf_get_pixels(scan), gdk_pixbuf_get_width(scan),
                        gdk_pixbuf_get_height(scan), gdk_pixbuf_get_rowstride(scan),
                        gdk_pixbuf_get_n_channels(scan)};
    guchar *pixels = gdk_pixbuf_get_pixels(image);
    const int stride = gdk_pixbuf_get_rowstride(image);
    const int width = geo.imageWidth, height = geo.imageHeight;
    const bool byColumns = std::fabs(T.t[3]) > std::fabs(T.t[4]);
    RowSampler rows[kTileRows];
    for (int y0 = 0; y0 < height; y0 += kTileRows) {
        const int y1 = std::min(height, y0 + kTileRows);
        for (int y = y0; y < y1; ++y)
            rows[y - y0] = rowSampler(params, geo, view, T, y);
        for (int x0 = 0; x0 < width; x0 += kTileColumns)
            sampleTile(Tile{rows, y0, y1, x0, std::min(width, x0 + kTileColumns)}, pixels, stride,
                       byColumns);
        for (int y = y0; progress && y < y1; ++y)
            progress(progressUser, (y + 1.0) / height);
    }
    return image;
}
