// SPDX-License-Identifier: GPL-3.0-or-later
#include "cutout.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>

#include <sys/mman.h>
#include <unistd.h>

const char kCutOutFailedText[] =
    "could not cut out temperature and hygro images. Please set better pass points";

namespace {

// -1 when no arc of radius R spans a field of height H.
double sagittaOf(double R, double H)
{
    const double q = R * R - 0.25 * H * H;
    if (!(q >= 0.0) || !(R >= 0.5 * H))
        return -1.0;
    return R - std::sqrt(q);
}

} // namespace

int fieldGeometry(const Params &params, FieldGeometry &geo, int field)
{
    const double W = params.srcFieldWidthMM, H = fieldHeightMM(params, field);
    const double R = params.srcRadiusMM, p = params.dstPixelsPerMM;
    const double st = sagittaOf(R, fieldHeightMM(params, SubImgTemp));
    const double sh = sagittaOf(R, fieldHeightMM(params, SubImgHygro));
    if (st < 0.0 || sh < 0.0)
        return -1;
    // Both fields shift their rows against the larger sagitta, so a column
    // means the same time in both at their middle rows and no shift is negative.
    const double s = std::max(st, sh);
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
    // The pass points span both fields and the gap between them.
    const double Ht = fieldHeightMM(params, SubImgTemp), Hh = fieldHeightMM(params, SubImgHygro);
    Vec2 b = sub(pass[2], pass[1]);
    double r = fieldHeightMM(params, field) / (Ht + Hh + params.srcFieldDistMM);
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

// Output is made in tiles of 64 x 64 pixels whose scan pixels stay in cache:
// a field row of a chart turned by a quarter turn runs down a scan column.
const int kTileSide = 64;

struct ScanView {
    const guchar *pixels;
    int width, height, rowstride, channels;
};

// One field image row as a function of the image column x: column x shows
// the scan pixel (trunc(t0 * x + ax), trunc(t3 * x + ay)), which is the
// field position (x - k, j) mapped by T plus 0.5, regrouped so that a pixel
// costs one multiply-add per axis. The bounds test and the read use this very
// arithmetic, so the walk between tested ends never leaves the scan.
struct RowPlan {
    double ax, ay;
    int sa, sb; // columns [sa, sb) show the scan, the others the gap colour
};

inline double along(double slope, int x, double base) { return slope * x + base; }

// trunc(f) lies inside exactly when -1 < f < size; false for NaN too.
inline bool insideAt(const ScanView &scan, const AffineTransform &T, const RowPlan &r, int x)
{
    double fx = along(T.t[0], x, r.ax), fy = along(T.t[3], x, r.ay);
    return fx > -1.0 && fx < scan.width && fy > -1.0 && fy < scan.height;
}

inline const guchar *sampleAddress(const ScanView &scan, const AffineTransform &T,
                                   const RowPlan &r, int x)
{
    return scan.pixels + (gsize)(int)along(T.t[3], x, r.ay) * scan.rowstride +
           (gsize)(int)along(T.t[0], x, r.ax) * scan.channels;
}

// Three bytes in two moves.
inline void copyPixel(guchar *d, const guchar *s)
{
    std::memcpy(d, s, 2);
    d[2] = s[2];
}

inline void copySample(guchar *d, const ScanView &scan, const AffineTransform &T,
                       const RowPlan &r, int x)
{
    copyPixel(d, sampleAddress(scan, T, r, x));
}

// Narrows [lo, hi] to the reals x with -1 < slope * x + base < size.
void clipAxis(double slope, double base, double size, double &lo, double &hi)
{
    if (slope == 0.0) {
        if (!(base > -1.0 && base < size))
            hi = lo - 4.0;
        return;
    }
    double a = (-1.0 - base) / slope, b = (size - base) / slope;
    lo = std::fmax(lo, std::fmin(a, b));
    hi = std::fmin(hi, std::fmax(a, b));
}

// The columns of [first, last] whose sample lies inside the scan form one
// interval, both coordinates being monotone in x. The algebra finds it to
// within rounding; insideAt, the very test of the sampling, settles its ends.
void insideColumns(const ScanView &scan, const AffineTransform &T, RowPlan &r, int first,
                   int last)
{
    double lo = first, hi = last;
    clipAxis(T.t[0], r.ax, scan.width, lo, hi);
    clipAxis(T.t[3], r.ay, scan.height, lo, hi);
    r.sa = r.sb = 0;
    if (!(lo <= hi + 2.0))
        return;
    int a = (int)std::fmax(first, std::floor(lo) - 1.0);
    int b = (int)std::fmin(last, std::ceil(hi) + 1.0);
    while (a <= b && !insideAt(scan, T, r, a))
        ++a;
    while (b >= a && !insideAt(scan, T, r, b))
        --b;
    if (a <= b) {
        r.sa = a;
        r.sb = b + 1;
    }
}

struct Field {
    const Params *params;
    FieldGeometry geo;
    AffineTransform T;
    ScanView scan;
    guchar *pixels;
    int stride;
};

// Plans row y and gives its columns outside [sa, sb) the gap colour: those
// before the arc shift k, past the last sample, or whose sample is off the scan.
RowPlan planRow(const Field &f, int y)
{
    const AffineTransform &T = f.T;
    const int width = f.geo.imageWidth;
    double j = f.geo.heightPx - y;
    // The shift never exceeds the sagitta in pixels; the clamp only keeps
    // the conversion defined.
    double shift = arcShift(*f.params, j, f.geo.centreRow, f.geo.sagittaMM);
    int k = (int)std::trunc(std::fmax(-width, std::fmin(width, shift)) + 0.5);
    RowPlan r;
    r.ax = T.t[1] * j + T.t[2] + 0.5 - T.t[0] * k;
    r.ay = T.t[4] * j + T.t[5] + 0.5 - T.t[3] * k;
    // Sample i = x - k exists for i in 0 .. width - 1.
    insideColumns(f.scan, T, r, std::max(k, 0), std::min(width, width + k) - 1);
    guchar *row = f.pixels + (gsize)y * f.stride;
    for (int x = 0; x < r.sa; ++x)
        std::memcpy(row + 3 * x, kGapColor, 3);
    for (int x = r.sb; x < width; ++x)
        std::memcpy(row + 3 * x, kGapColor, 3);
    return r;
}

// A tile: rows y0 .. y0 + n - 1, columns [x0, x1).
struct Tile {
    int y0, n, x0, x1;
};

// Lines of samples are read some 90 scan bytes at a time, too few for the
// processor to fetch ahead by itself: each line asks for the one kLookAhead
// further, a sample every kPrefetchStep, so that its cache misses overlap.
const int kLookAhead = 16;
const int kPrefetchStep = 10;

// The sample's address for a prefetch, the scan's start when x shows none.
// (A helper that prefetched by itself would have no effect the compiler
// keeps: it deletes calls to it.)
inline const guchar *prefetchAddress(const ScanView &scan, const AffineTransform &T,
                                     const RowPlan &r, int x)
{
    return x >= r.sa && x < r.sb ? sampleAddress(scan, T, r, x) : scan.pixels;
}

// True when every row of the tile shows the scan at every column.
bool tileInside(const RowPlan *plans, const Tile &t)
{
    for (int m = 0; m < t.n; ++m)
        if (plans[m].sa > t.x0 || plans[m].sb < t.x1)
            return false;
    return true;
}

// Samples the tile row after row, for scans whose rows run along the image rows.
void sampleTileByRows(const Field &f, const RowPlan *plans, const Tile &t)
{
    // Local copies: the byte stores below could alias anything reached
    // through a pointer, which would reload it for every pixel.
    const ScanView scan = f.scan;
    const AffineTransform T = f.T;
    for (int m = 0; m < t.n; ++m) {
        if (m + kLookAhead < t.n)
            for (int x = t.x0; x < t.x1; x += kPrefetchStep)
                __builtin_prefetch(prefetchAddress(scan, T, plans[m + kLookAhead], x));
        const RowPlan r = plans[m];
        guchar *row = f.pixels + (gsize)(t.y0 + m) * f.stride;
        const int xb = std::min(t.x1, r.sb);
        for (int x = std::max(t.x0, r.sa); x < xb; ++x)
            copySample(row + 3 * x, scan, T, r, x);
    }
}

// Copies column x of the tile's rows, all showing the scan there, to d and
// down: along() with its products slope * x, (cx, cy), made once.
void copyColumn(guchar *d, gsize stride, const ScanView &scan, const RowPlan *plans, int n,
                double cx, double cy)
{
    for (int m = 0; m < n; ++m, d += stride)
        copyPixel(d, scan.pixels + (gsize)(int)(cy + plans[m].ay) * scan.rowstride +
                         (gsize)(int)(cx + plans[m].ax) * scan.channels);
}

// Samples the tile column after column, for scans whose rows run down the
// image columns (a chart turned by a quarter turn).
void sampleTileByColumns(const Field &f, const RowPlan *plans, const Tile &t)
{
    const ScanView scan = f.scan;
    const AffineTransform T = f.T;
    const gsize stride = f.stride;
    const bool inside = tileInside(plans, t);
    // The next tile down writes rows that no recent store has brought into
    // the cache: one of them is fetched for writing at each column.
    const int nextRows = std::min(t.n, f.geo.imageHeight - (t.y0 + t.n));
    for (int x = t.x0; x < t.x1; ++x) {
        for (int m = 0; m < t.n; m += kPrefetchStep)
            __builtin_prefetch(prefetchAddress(scan, T, plans[m], x + kLookAhead));
        if (x - t.x0 < nextRows) {
            const guchar *next = f.pixels + (gsize)(t.y0 + t.n + x - t.x0) * stride + 3 * t.x0;
            for (int b = 0; b < 3 * (t.x1 - t.x0); b += 64)
                __builtin_prefetch(next + b, 1);
        }
        guchar *d = f.pixels + (gsize)t.y0 * stride + 3 * x;
        if (inside)
            copyColumn(d, stride, scan, plans, t.n, T.t[0] * x, T.t[3] * x);
        else
            for (int m = 0; m < t.n; ++m, d += stride)
                if (x >= plans[m].sa && x < plans[m].sb)
                    copySample(d, scan, T, plans[m], x);
    }
}

// Samples the field tile by tile, reporting the fraction done after each
// strip of tiles. Successive tiles follow the scan's rows: a tile reads some
// 90 scan rows, each of them a memory page of its own, and the next tile
// along the scan rows needs the same pages again rather than new ones.
void sampleTiles(const Field &f, const RowPlan *plans, ProgressFn progress, void *progressUser)
{
    const int width = f.geo.imageWidth, height = f.geo.imageHeight;
    // Scan rows advance by t3 along an image row, by t4 down an image column.
    const bool stripsOfColumns = std::fabs(f.T.t[3]) > std::fabs(f.T.t[4]);
    const int strips = stripsOfColumns ? width : height;
    const int along = stripsOfColumns ? height : width;
    for (int s0 = 0; s0 < strips; s0 += kTileSide) {
        const int s1 = std::min(strips, s0 + kTileSide);
        for (int a0 = 0; a0 < along; a0 += kTileSide) {
            const int a1 = std::min(along, a0 + kTileSide);
            if (stripsOfColumns)
                sampleTileByColumns(f, plans + a0, Tile{a0, a1 - a0, s0, s1});
            else
                sampleTileByRows(f, plans + s0, Tile{s0, s1 - s0, a0, a1});
        }
        if (progress)
            progress(progressUser, static_cast<double>(s1) / strips);
    }
}

void unmapImage(guchar *pixels, gpointer length)
{
    munmap(pixels, GPOINTER_TO_SIZE(length));
}

// A new RGB image in a mapping of its own that the system may back with
// 2 MB pages: a field of some 5 MB then costs a few page faults instead of
// over a thousand, which take longer than cutting it out. Plain memory where
// such a mapping cannot be had.
GdkPixbuf *newFieldImage(int width, int height)
{
#ifdef MADV_HUGEPAGE
    const gsize huge = (gsize)2 << 20, page = (gsize)sysconf(_SC_PAGESIZE);
    const int stride = (3 * width + 3) & ~3;
    const gsize length = ((gsize)stride * height + page - 1) / page * page;
    void *mapped = length >= huge ? mmap(nullptr, length + huge, PROT_READ | PROT_WRITE,
                                         MAP_PRIVATE | MAP_ANONYMOUS, -1, 0)
                                  : MAP_FAILED;
    if (mapped != MAP_FAILED) {
        // Keep the stretch that starts on a 2 MB boundary.
        const guintptr start = reinterpret_cast<guintptr>(mapped);
        const guintptr aligned = (start + huge - 1) & ~(guintptr)(huge - 1);
        if (aligned > start)
            munmap(mapped, aligned - start);
        munmap(reinterpret_cast<void *>(aligned + length), start + huge - aligned);
        guchar *pixels = reinterpret_cast<guchar *>(aligned);
        madvise(pixels, length, MADV_HUGEPAGE);
        GdkPixbuf *image = gdk_pixbuf_new_from_data(pixels, GDK_COLORSPACE_RGB, FALSE, 8, width,
                                                    height, stride, unmapImage,
                                                    GSIZE_TO_POINTER(length));
        if (image)
            return image;
        munmap(pixels, length);
    }
#endif
    return gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, width, height);
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

} // namespace

// Pixel centres: field image pixel (i, y) samples field position (i, Hd - y)
// before the arc shift, so row y shows the paper y / dstPixelsPerMM mm from
// the TopLeft-BottomLeft edge; scan pixel (X, Y) covers [X - 0.5, X + 0.5) in
// both directions, hence the nearest-neighbour read of trunc(s + 0.5).
GdkPixbuf *cutOutField(const Params &params, const GdkPixbuf *scan, int field,
                       const Vec2 pass[3], ProgressFn progress, void *progressUser)
{
    Field f;
    f.params = &params;
    if (params.numFieldPassPoints != 3 || fieldGeometry(params, f.geo, field) != 0)
        return nullptr;
    const double Wd = f.geo.widthPx, Hd = f.geo.heightPx;
    const Vec2 C[4] = {{0.0, 0.0}, {Wd, 0.0}, {0.0, Hd}, {Wd, Hd}};
    Vec2 S[4];
    fieldCorners(params, field, pass, S);
    double inverse[9];
    if (fitAffine(C, S, f.T) != 0 || invert3x3(f.T.t, inverse) != 0 || degenerate(f.T))
        return nullptr;

    const int width = f.geo.imageWidth, height = f.geo.imageHeight;
    GdkPixbuf *image = newFieldImage(width, height);
    if (!image)
        return nullptr;
    f.scan = ScanView{gdk_pixbuf_get_pixels(scan), gdk_pixbuf_get_width(scan),
                      gdk_pixbuf_get_height(scan), gdk_pixbuf_get_rowstride(scan),
                      gdk_pixbuf_get_n_channels(scan)};
    f.pixels = gdk_pixbuf_get_pixels(image);
    f.stride = gdk_pixbuf_get_rowstride(image);
    std::unique_ptr<RowPlan[]> plans(new (std::nothrow) RowPlan[height]);
    if (!plans) {
        g_object_unref(image);
        return nullptr;
    }
    for (int y = 0; y < height; ++y)
        plans[y] = planRow(f, y);
    sampleTiles(f, plans.get(), progress, progressUser);
    return image;
}
