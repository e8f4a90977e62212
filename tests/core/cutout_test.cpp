#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "cutout.h"
#include "pixel.h"

namespace {

Params chartParams(double pixelsPerMM)
{
    Params params;
    setParamDefaults(params);
    params.numFieldPassPoints = 3;
    params.dstPixelsPerMM = pixelsPerMM;
    return params;
}

int rowShift(const Params &params, double j)
{
    FieldGeometry geo;
    fieldGeometry(params, geo);
    return (int)std::trunc(arcShift(params, j, geo.centreRow, geo.sagittaMM) + 0.5);
}

GdkPixbuf *whiteScan(int w, int h)
{
    GdkPixbuf *scan = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, w, h);
    gdk_pixbuf_fill(scan, 0xffffffff);
    return scan;
}

const guchar kMark[3] = {0, 0, 255};

bool isMark(const GdkPixbuf *img, int x, int y)
{
    guchar p[3];
    return getPixel(img, x, y, p) == 0 && p[0] == 0 && p[1] == 0 && p[2] == 255;
}

// A chart lying in the scan turned by a quarter turn plus `degrees`: the time
// axis runs from BottomLeft up to TopLeft, scale `sc` scan pixels per mm.
struct Chart {
    Params params;
    Vec2 origin, timeDir, acrossDir;
    double sc;

    Chart(const Params &p, Vec2 bottomLeft, double degrees, double scale)
        : params(p), origin(bottomLeft), sc(scale)
    {
        double a = degrees * M_PI / 180.0;
        timeDir = Vec2{std::sin(a), -std::cos(a)};
        acrossDir = Vec2{std::cos(a), std::sin(a)};
    }
    // Scan position of paper point t mm along the time axis, v mm across
    // field f from its TopLeft-BottomLeft side edge.
    Vec2 paper(int f, double t, double v) const
    {
        const double H = params.srcFieldHeightMM, D = params.srcFieldDistMM;
        double across = (f == SubImgHygro ? H + D : 0.0) + v;
        return Vec2{origin.x + sc * (t * timeDir.x + across * acrossDir.x),
                    origin.y + sc * (t * timeDir.y + across * acrossDir.y)};
    }
    void passPoints(Vec2 pass[3]) const
    {
        const double W = params.srcFieldWidthMM, H = params.srcFieldHeightMM;
        pass[0] = paper(0, W, 0);
        pass[1] = paper(0, 0, 0);
        pass[2] = paper(0, 0, 2 * H + params.srcFieldDistMM);
    }
};

void drawDisc(GdkPixbuf *scan, Vec2 c, double r)
{
    for (int y = (int)(c.y - r) - 1; y <= c.y + r + 1; ++y)
        for (int x = (int)(c.x - r) - 1; x <= c.x + r + 1; ++x)
            if ((x - c.x) * (x - c.x) + (y - c.y) * (y - c.y) <= r * r)
                putPixel(scan, x, y, kMark);
}

} // namespace

TEST(FieldGeometry, DefaultsAndWorkedRowShifts)
{
    Params params = chartParams(8.0);
    FieldGeometry geo;
    ASSERT_EQ(fieldGeometry(params, geo), 0);
    EXPECT_NEAR(geo.sagittaMM, 5.7121, 1e-4);
    EXPECT_EQ(geo.imageWidth, 2347);
    EXPECT_EQ(geo.imageHeight, 656);
    EXPECT_EQ(geo.centreRow, 328.0);
    const int rows[][2] = {{0, 0}, {655, 0}, {100, 24}, {327, 46}, {328, 46}, {329, 46}, {600, 14}};
    for (auto &r : rows)
        EXPECT_EQ(rowShift(params, r[0]), r[1]) << "row " << r[0];
    EXPECT_EQ(arcShift(params, 328.0 + 1201.0, 328.0, geo.sagittaMM), 0.0) << "beyond the radius";
}

TEST(FieldGeometry, RefusesImpossibleOrHugeFields)
{
    FieldGeometry geo;
    Params params = chartParams(8.0);
    params.srcRadiusMM = 40.9; // below half the field height: no sagitta
    EXPECT_EQ(fieldGeometry(params, geo), -1);
    params.srcRadiusMM = 41.0;
    EXPECT_EQ(fieldGeometry(params, geo), 0);
    // 100: each side within its limit, too many pixels.
    for (double p : {100000.0, 0.0, -8.0, std::nan(""), 100.0})
        EXPECT_EQ(fieldGeometry(chartParams(p), geo), -1) << p;
}

TEST(PassPoints, SpanTestAndFieldCorners)
{
    Vec2 pass[3] = {{100, 100}, {100, 299.9}, {800, 900}};
    EXPECT_FALSE(passPointsUsable(pass));
    pass[1].y = 300.0;
    EXPECT_TRUE(passPointsUsable(pass));
    pass[2] = Vec2{NAN, 900};
    EXPECT_FALSE(passPointsUsable(pass));

    const Vec2 chart[3] = {{100, 100}, {100, 900}, {800, 900}};
    Params params = chartParams(8.0);
    Vec2 temp[4], hygro[4];
    fieldCorners(params, SubImgTemp, chart, temp);
    fieldCorners(params, SubImgHygro, chart, hygro);
    const double w = 700.0 * 82.0 / 174.7;
    EXPECT_NEAR(temp[0].x, 100 + w, 1e-9);
    EXPECT_NEAR(temp[0].y, 900, 1e-9);
    EXPECT_NEAR(temp[3].x, 100, 1e-9);
    EXPECT_NEAR(temp[3].y, 100, 1e-9);
    EXPECT_NEAR(hygro[0].x, 800, 1e-9) << "the hygrometer field ends at BottomRight";
    EXPECT_NEAR(hygro[2].x, 800 - w, 1e-9);
}

TEST(CutOutField, RefusesUnusableInput)
{
    GdkPixbuf *scan = whiteScan(100, 100);
    const Vec2 collinear[3] = {{100, 100}, {100, 900}, {100, 1500}};
    const Vec2 good[3] = {{100, 100}, {100, 900}, {800, 900}};
    Params params = chartParams(2.0);
    EXPECT_EQ(cutOutField(params, scan, 0, collinear), nullptr);
    params.numFieldPassPoints = 2;
    EXPECT_EQ(cutOutField(params, scan, 0, good), nullptr);
    EXPECT_EQ(cutOutField(chartParams(100000.0), scan, 0, good), nullptr);
    g_object_unref(scan);
}

// Scan and field images at the same scale: every field pixel samples one scan
// pixel exactly, so row y must show the paper y / p mm from the edge.
TEST(CutOutField, ExactOnAnUprightScan)
{
    Params params = chartParams(2.0);
    params.srcFieldDistMM = 10.5; // whole scan pixels between the fields
    Chart chart(params, Vec2{50, 650}, 0.0, 2.0);
    GdkPixbuf *scan = whiteScan(420, 700);
    const int marks[][2] = {{0, 0}, {10, 0}, {300, 1}, {200, 82}, {572, 163}, {40, 120}};
    for (auto &m : marks)
        putPixel(scan, (int)chart.paper(0, m[0] / 2.0, m[1] / 2.0).x,
                 (int)chart.paper(0, m[0] / 2.0, m[1] / 2.0).y, kMark);
    Vec2 pass[3];
    chart.passPoints(pass);
    GdkPixbuf *img = cutOutField(params, scan, SubImgTemp, pass);
    ASSERT_NE(img, nullptr);
    ASSERT_EQ(gdk_pixbuf_get_width(img), 587);
    ASSERT_EQ(gdk_pixbuf_get_height(img), 164);
    int found = 0;
    for (int y = 0; y < 164; ++y)
        for (int x = 0; x < 587; ++x)
            found += isMark(img, x, y);
    EXPECT_EQ(found, 6);
    for (auto &m : marks) {
        int k = rowShift(params, 164.0 - m[1]);
        EXPECT_TRUE(isMark(img, m[0] + k, m[1])) << m[0] << "," << m[1] << " shift " << k;
    }
    // The middle row opens the widest gap; its first sample is paper (white).
    int k = rowShift(params, 82.0);
    EXPECT_EQ(k, 11);
    guchar p[3];
    getPixel(img, k - 1, 82, p);
    EXPECT_TRUE(p[0] == 255 && p[1] == 100 && p[2] == 100);
    getPixel(img, k, 82, p);
    EXPECT_EQ(p[1], 255);
    g_object_unref(img);
    g_object_unref(scan);
}

TEST(CutOutField, MarksOfARotatedScanLandWithinOnePixel)
{
    Params params = chartParams(2.0);
    Chart chart(params, Vec2{120, 840}, 7.0, 2.5);
    GdkPixbuf *scan = whiteScan(700, 900);
    const double marks[][2] = {{5, 3}, {140, 41}, {280, 78}, {60, 20}};
    for (int f = 0; f < 2; ++f)
        for (auto &m : marks)
            drawDisc(scan, chart.paper(f, m[0], m[1]), 2.5);
    Vec2 pass[3];
    chart.passPoints(pass);
    for (int f = 0; f < 2; ++f) {
        GdkPixbuf *img = cutOutField(params, scan, f, pass);
        ASSERT_NE(img, nullptr);
        for (auto &m : marks) {
            double ex = m[0] * 2 + rowShift(params, 164.0 - m[1] * 2), ey = m[1] * 2;
            double sx = 0, sy = 0;
            int n = 0;
            for (int y = (int)ey - 6; y <= ey + 6; ++y)
                for (int x = (int)ex - 6; x <= ex + 6; ++x)
                    if (isMark(img, x, y)) {
                        sx += x;
                        sy += y;
                        ++n;
                    }
            ASSERT_GT(n, 0) << "field " << f << " mark " << m[0] << "," << m[1];
            EXPECT_NEAR(sx / n, ex, 1.0) << "field " << f << " mark " << m[0];
            EXPECT_NEAR(sy / n, ey, 1.0) << "field " << f << " mark " << m[0];
        }
        g_object_unref(img);
    }
    g_object_unref(scan);
}

// The row walk must give what per-pixel applyAffine, getPixel and putPixel
// give, also where the field leaves the scan.
TEST(CutOutField, MatchesPerPixelSampling)
{
    Params params = chartParams(2.0);
    Chart chart(params, Vec2{60, 500}, -12.0, 1.7);
    GdkPixbuf *scan = whiteScan(301, 457);
    guchar *px = gdk_pixbuf_get_pixels(scan);
    for (int i = 0; i < 457 * gdk_pixbuf_get_rowstride(scan); ++i)
        px[i] = (guchar)(i * 2654435761u >> 13);
    Vec2 pass[3];
    chart.passPoints(pass);
    FieldGeometry geo;
    fieldGeometry(params, geo);
    std::vector<double> fractions;
    auto record = [](void *user, double f) { static_cast<std::vector<double> *>(user)->push_back(f); };
    for (int f = 0; f < 2; ++f) {
        fractions.clear();
        GdkPixbuf *img = cutOutField(params, scan, f, pass, record, &fractions);
        ASSERT_NE(img, nullptr);
        ASSERT_EQ(fractions.size(), 164u);
        EXPECT_EQ(fractions.back(), 1.0);
        Vec2 S[4];
        fieldCorners(params, f, pass, S);
        const Vec2 C[4] = {{0, 0}, {geo.widthPx, 0}, {0, geo.heightPx}, {geo.widthPx, geo.heightPx}};
        AffineTransform T;
        ASSERT_EQ(fitAffine(C, S, T), 0);
        GdkPixbuf *ref = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, geo.imageWidth, 164);
        gdk_pixbuf_fill(ref, 0xff6464ff);
        int outside = 0;
        for (int y = 0; y < 164; ++y) {
            double j = geo.heightPx - y;
            int k = rowShift(params, j);
            for (int i = 0; i < geo.imageWidth; ++i) {
                Vec2 s = applyAffine(T, Vec2{(double)i, j});
                guchar rgb[3];
                if (getPixel(scan, (int)std::trunc(s.x + 0.5), (int)std::trunc(s.y + 0.5), rgb) == 0)
                    putPixel(ref, i + k, y, rgb);
                else
                    ++outside;
            }
        }
        EXPECT_GT(outside, 1000) << "the field should leave the scan";
        guchar a[3], b[3];
        for (int y = 0; y < 164; ++y)
            for (int x = 0; x < geo.imageWidth; ++x) {
                getPixel(img, x, y, a);
                getPixel(ref, x, y, b);
                ASSERT_TRUE(a[0] == b[0] && a[1] == b[1] && a[2] == b[2]) << x << "," << y;
            }
        g_object_unref(ref);
        g_object_unref(img);
    }
    g_object_unref(scan);
}
