#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "coretest.h"
#include "cutout.h"

namespace {

const guchar kWhite[3] = {255, 255, 255}, kMark[3] = {0, 0, 255}, kGap[3] = {255, 100, 100};

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

// A chart in the scan turned by a quarter turn plus `degrees`, the time axis
// running up from BottomLeft at `origin`, `sc` scan pixels per mm.
struct Chart {
    Params params;
    Vec2 origin;
    double degrees, sc;
    Vec2 pass[3];

    Chart(const Params &p, Vec2 o, double deg, double scale) : params(p), origin(o), degrees(deg), sc(scale)
    {
        pass[0] = paper(0, p.srcFieldWidthMM, 0);
        pass[1] = paper(0, 0, 0);
        pass[2] = paper(1, 0, p.srcFieldHeightMM);
    }
    // Scan position of the paper t mm along the time axis and v mm across
    // field f from its TopLeft-BottomLeft side.
    Vec2 paper(int f, double t, double v) const
    {
        const double a = degrees * M_PI / 180.0, across = v + f * (params.srcFieldHeightMM + params.srcFieldDistMM);
        return Vec2{origin.x + sc * (t * std::sin(a) + across * std::cos(a)),
                    origin.y + sc * (across * std::sin(a) - t * std::cos(a))};
    }
    PixbufPtr cut(const GdkPixbuf *scan, int f, ProgressFn progress = nullptr, void *user = nullptr) const
    {
        return PixbufPtr(cutOutField(params, scan, f, pass, progress, user));
    }
};

} // namespace

TEST(FieldGeometry, WorkedFiguresAndRowShifts)
{
    Params params = chartParams(8.0);
    FieldGeometry geo;
    ASSERT_EQ(fieldGeometry(params, geo), 0);
    EXPECT_NEAR(geo.sagittaMM, 5.7121, 1e-4);
    EXPECT_EQ(std::vector<double>({(double)geo.imageWidth, (double)geo.imageHeight, geo.centreRow}),
              std::vector<double>({2347, 656, 328}));
    const int rows[][2] = {{0, 0}, {655, 0}, {100, 24}, {327, 46}, {328, 46}, {329, 46}, {600, 14}};
    for (auto &r : rows)
        EXPECT_EQ(rowShift(params, r[0]), r[1]) << "row " << r[0];
    EXPECT_EQ(arcShift(params, 328.0 + 1201.0, 328.0, geo.sagittaMM), 0.0) << "beyond the radius";
}

TEST(CutOutField, RefusesImpossibleInput)
{
    FieldGeometry geo;
    Params params = chartParams(8.0);
    params.srcRadiusMM = 40.9;  // below half the field height: no sagitta
    EXPECT_EQ(fieldGeometry(params, geo), -1);
    params.srcRadiusMM = 41.0;
    EXPECT_EQ(fieldGeometry(params, geo), 0);
    for (double p : {100000.0, 0.0, -8.0, std::nan(""), 100.0})  // 100: each side fits, the pixel count not
        EXPECT_EQ(fieldGeometry(chartParams(p), geo), -1) << p;

    const Vec2 spans[][3] = {{{0, 0}, {0, 199.9}, {700, 800}}, {{0, 0}, {0, 200}, {199.9, 0}},
                             {{0, 0}, {0, 200}, {NAN, 900}}, {{0, 0}, {0, 200}, {200, 0}}};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(passPointsUsable(spans[i]), i == 3) << i;

    PixbufPtr scan = solidImage(100, 100, kWhite);
    const Vec2 collinear[3] = {{100, 100}, {100, 900}, {100, 1500}}, good[3] = {{100, 100}, {100, 900}, {800, 900}};
    params = chartParams(2.0);
    EXPECT_EQ(cutOutField(params, scan.get(), 0, collinear), nullptr);
    EXPECT_EQ(cutOutField(chartParams(100000.0), scan.get(), 0, good), nullptr);
    params.numFieldPassPoints = 2;
    EXPECT_EQ(cutOutField(params, scan.get(), 0, good), nullptr);
}

// Scan and field images at the same scale: every field pixel samples one scan
// pixel exactly, so row y of either field must show the paper y / p mm from
// the field's TopLeft-BottomLeft side, moved right by the row's arc shift.
TEST(CutOutField, RowsLandExactlyOnAnUprightScan)
{
    Params params = chartParams(2.0);
    params.srcFieldDistMM = 10.5;  // whole scan pixels between the fields
    const Chart chart(params, Vec2{50, 650}, 0.0, 2.0);
    PixbufPtr scan = solidImage(420, 700, kWhite);
    const int marks[][2] = {{0, 0}, {10, 0}, {300, 1}, {200, 82}, {572, 163}, {40, 120}};
    for (int f = 0; f < 2; ++f)
        for (auto &m : marks) {
            const Vec2 s = chart.paper(f, m[0] / 2.0, m[1] / 2.0);
            putPixel(scan.get(), (int)s.x, (int)s.y, kMark);
        }
    ASSERT_EQ(rowShift(params, 82.0), 11);  // the middle row's gap, then paper
    for (int f = 0; f < 2; ++f) {
        PixbufPtr img = chart.cut(scan.get(), f);
        ASSERT_NE(img, nullptr);
        for (auto &m : marks)
            EXPECT_TRUE(pixelIs(img.get(), m[0] + rowShift(params, 164.0 - m[1]), m[1], kMark)) << f << ": " << m[0] << "," << m[1];
        EXPECT_TRUE(pixelIs(img.get(), 10, 82, kGap) && pixelIs(img.get(), 11, 82, kWhite)) << f;
    }
}

// A turned, scaled chart partly off the scan: both fields must equal a plain
// per-pixel sampling (applyAffine, nearest scan pixel, shifted row, gap colour
// where the sample is off the scan).
TEST(CutOutField, RotatedScanMatchesPerPixelSampling)
{
    const Chart chart(chartParams(2.0), Vec2{60, 560}, -9.0, 1.9);
    PixbufPtr scan = solidImage(380, 570, kWhite);
    guchar *px = gdk_pixbuf_get_pixels(scan.get());
    for (int i = 0; i < 570 * gdk_pixbuf_get_rowstride(scan.get()); ++i)
        px[i] = (guchar)(i * 2654435761u >> 13);
    FieldGeometry geo;
    fieldGeometry(chart.params, geo);
    for (int f = 0; f < 2; ++f) {
        SCOPED_TRACE(f);
        std::vector<double> fractions;
        PixbufPtr img = chart.cut(scan.get(), f, recordProgress, &fractions);
        ASSERT_NE(img, nullptr);
        ASSERT_EQ(gdk_pixbuf_get_width(img.get()), geo.imageWidth);
        ASSERT_EQ(fractions.size(), 164u);
        EXPECT_EQ(fractions.back(), 1.0);

        Vec2 S[4];
        fieldCorners(chart.params, f, chart.pass, S);
        const Vec2 C[4] = {{0, 0}, {geo.widthPx, 0}, {0, geo.heightPx}, {geo.widthPx, geo.heightPx}};
        AffineTransform T;
        ASSERT_EQ(fitAffine(C, S, T), 0);
        PixbufPtr ref = solidImage(geo.imageWidth, 164, kGap);
        int outside = 0;
        for (int y = 0; y < 164; ++y)
            for (int i = 0; i < geo.imageWidth; ++i) {
                const Vec2 s = applyAffine(T, Vec2{(double)i, geo.heightPx - y});
                guchar rgb[3];
                if (getPixel(scan.get(), (int)std::trunc(s.x + 0.5), (int)std::trunc(s.y + 0.5), rgb) == 0)
                    putPixel(ref.get(), i + rowShift(chart.params, geo.heightPx - y), y, rgb);
                else
                    ++outside;
            }
        EXPECT_GT(outside, 1000) << "the field should leave the scan";
        const int stride = gdk_pixbuf_get_rowstride(img.get());
        for (int y = 0; y < 164; ++y)
            ASSERT_EQ(0, std::memcmp(gdk_pixbuf_get_pixels(img.get()) + y * stride,
                                     gdk_pixbuf_get_pixels(ref.get()) + y * stride, 3 * geo.imageWidth)) << "row " << y;
    }
}
