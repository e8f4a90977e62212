// SPDX-License-Identifier: GPL-3.0-or-later
// The field cut-out's worked figures, refusals and an exact landing test, and
// the linear algebra under it; turned scans are held to chartsynth's truth in
// chartsynth_test.

#include "coretest.h"
#include "cutout.h"
#include "geometry.h"

namespace {

const guchar kWhite[3] = {255, 255, 255}, kMark[3] = {0, 0, 255}, kGap[3] = {255, 100, 100};

Params chartParams(double pixelsPerMM)
{
    Params params = defaultParams();
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

// Every scan pixel a colour of its own, so that a field pixel tells which
// scan pixel it shows.
guchar codeOf(int X, int Y, int k) { return (guchar)(k == 0 ? X : k == 1 ? Y : (X >> 8) | (Y >> 8) << 4); }

PixbufPtr codedScan(int w, int h)
{
    PixbufPtr scan = solidImage(w, h, kWhite);
    for (int Y = 0; Y < h; ++Y)
        for (int X = 0; X < w; ++X) {
            const guchar rgb[3] = {codeOf(X, Y, 0), codeOf(X, Y, 1), codeOf(X, Y, 2)};
            putPixel(scan.get(), X, Y, rgb);
        }
    return scan;
}

// Pass points of a chart at 2.6 scan pixels per mm whose time axis runs
// along (cos a, -sin a) from BottomLeft.
void chartAt(const Params &params, double degrees, Vec2 bottomLeft, Vec2 pass[3])
{
    const double a = degrees * M_PI / 180.0, scale = 2.6;
    const double W = scale * params.srcFieldWidthMM;
    const double B = scale * (2 * params.srcFieldHeightMM + params.srcFieldDistMM);
    pass[0] = Vec2{bottomLeft.x + W * std::cos(a), bottomLeft.y - W * std::sin(a)};
    pass[1] = bottomLeft;
    pass[2] = Vec2{bottomLeft.x + B * std::sin(a), bottomLeft.y + B * std::cos(a)};
}

}  // namespace

TEST(FieldGeometry, WorkedFiguresRowShiftsAndRefusals)
{
    Params params = chartParams(8.0);
    FieldGeometry geo;
    ASSERT_EQ(fieldGeometry(params, geo), 0);
    EXPECT_NEAR(geo.sagittaMM, 5.7121, 1e-4);
    EXPECT_EQ(std::vector<double>({(double)geo.imageWidth, (double)geo.imageHeight, geo.centreRow}),
              std::vector<double>({2347, 656, 328}));
    const int rows[][2] = {{0, 0}, {655, 0}, {100, 24}, {327, 46}, {328, 46}, {600, 14}};
    for (auto &r : rows) EXPECT_EQ(rowShift(params, r[0]), r[1]) << "row " << r[0];
    EXPECT_EQ(arcShift(params, 328.0 + 1201.0, 328.0, geo.sagittaMM), 0.0) << "beyond the radius";

    params.srcRadiusMM = 40.9;  // below half the field height: no sagitta
    EXPECT_EQ(fieldGeometry(params, geo), -1);
    params.srcRadiusMM = 41.0;
    EXPECT_EQ(fieldGeometry(params, geo), 0);
    for (double p : {100000.0, 0.0, -8.0, std::nan(""), 100.0})  // 100: each side fits, the pixel count not
        EXPECT_EQ(fieldGeometry(chartParams(p), geo), -1) << p;
}

TEST(CutOutField, RefusesImpossibleInput)
{
    const Vec2 spans[][3] = {{{0, 0}, {0, 199.9}, {700, 800}}, {{0, 0}, {0, 200}, {199.9, 0}},
                             {{0, 0}, {0, 200}, {NAN, 900}}, {{0, 0}, {0, 200}, {200, 0}}};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(passPointsUsable(spans[i]), i == 3) << i;

    PixbufPtr scan = solidImage(100, 100, kWhite);
    const Vec2 collinear[3] = {{100, 100}, {100, 900}, {100, 1500}}, good[3] = {{100, 100}, {100, 900}, {800, 900}};
    Params params = chartParams(2.0);
    EXPECT_EQ(cutOutField(params, scan.get(), 0, collinear), nullptr);
    EXPECT_EQ(cutOutField(chartParams(100000.0), scan.get(), 0, good), nullptr);
    params.numFieldPassPoints = 2;
    EXPECT_EQ(cutOutField(params, scan.get(), 0, good), nullptr);
}

// The tiled walks against the plain definition, pixel by pixel: field pixel
// (x, y) shows the scan pixel under field position (x - k, Hd - y) mapped by
// the fitted transform, k the row's arc shift, or the gap colour where that
// lies off the field or off the scan. Both walk orders, fields partly off
// the scan.
TEST(CutOutField, EveryPixelShowsTheScanPixelUnderIt)
{
    const Params params = chartParams(2.0);
    FieldGeometry geo;
    ASSERT_EQ(fieldGeometry(params, geo), 0);
    const Vec2 C[4] = {{0, 0}, {geo.widthPx, 0}, {0, geo.heightPx}, {geo.widthPx, geo.heightPx}};
    const struct { double degrees; Vec2 bottomLeft; int w, h; } cases[] = {
        {91.5, {30.3, 690.2}, 500, 700}, {0.7, {10.6, 20.1}, 700, 500}};
    for (const auto &c : cases) {
        PixbufPtr scan = codedScan(c.w, c.h);
        Vec2 pass[3];
        chartAt(params, c.degrees, c.bottomLeft, pass);
        for (int f = 0; f < 2; ++f) {
            PixbufPtr img(cutOutField(params, scan.get(), f, pass));
            ASSERT_NE(img, nullptr);
            Vec2 S[4];
            fieldCorners(params, f, pass, S);
            AffineTransform T;
            ASSERT_EQ(fitAffine(C, S, T), 0);
            int shown = 0, gaps = 0, wrong = 0;
            for (int y = 0; y < geo.imageHeight; ++y) {
                const double j = geo.heightPx - y;
                const int k = rowShift(params, j);
                for (int x = 0; x < geo.imageWidth; ++x) {
                    const int i = x - k;
                    const double X = T.t[0] * i + T.t[1] * j + T.t[2] + 0.5;
                    const double Y = T.t[3] * i + T.t[4] * j + T.t[5] + 0.5;
                    const bool onScan = i >= 0 && i < geo.imageWidth && X > -1 && X < c.w && Y > -1 && Y < c.h;
                    guchar want[3];
                    for (int b = 0; b < 3; ++b) want[b] = onScan ? codeOf((int)X, (int)Y, b) : kGap[b];
                    (onScan ? shown : gaps)++;
                    if (!pixelIs(img.get(), x, y, want) && wrong++ == 0)
                        ADD_FAILURE() << c.degrees << " deg, field " << f << ": first wrong pixel " << x << "," << y;
                }
            }
            EXPECT_EQ(wrong, 0) << c.degrees << " deg, field " << f;
            EXPECT_GT(shown, geo.imageWidth * geo.imageHeight / 2) << c.degrees << " deg, field " << f;
            EXPECT_GT(gaps, geo.imageHeight) << c.degrees << " deg, field " << f;
        }
    }
}

// Fields of different heights on an upright scan at 2 pixels per mm, where
// every field pixel samples one scan pixel exactly: each is cut to its own
// height, and a mark on either field's middle row at the same paper column
// lands in the same image column, shifted by the taller field's sagitta
// (150 - sqrt(150^2 - 45^2) = 6.91 mm, 14 pixels). Progress runs up to 1.
TEST(CutOutField, FieldsOfTwoHeightsAgreeInTimeAtTheirMiddleRows)
{
    Params params = chartParams(2.0);
    params.srcHygroFieldHeightMM = 90.0;
    params.srcFieldDistMM = 10.5;
    auto paper = [&](int f, double i, double j) { return Vec2{50 + j + f * 2 * (82.0 + 10.5), 650 - i}; };
    const Vec2 pass[3] = {paper(0, 2 * params.srcFieldWidthMM, 0), paper(0, 0, 0), paper(1, 0, 180)};
    PixbufPtr scan = solidImage(420, 700, kWhite);
    const int middle[2] = {82, 90};
    for (int f = 0; f < 2; ++f) putPixel(scan.get(), (int)paper(f, 200, middle[f]).x, (int)paper(f, 200, middle[f]).y, kMark);
    for (int f = 0; f < 2; ++f) {
        std::vector<double> fractions;
        PixbufPtr img(cutOutField(params, scan.get(), f, pass, recordProgress, &fractions));
        ASSERT_NE(img, nullptr);
        ASSERT_FALSE(fractions.empty());
        EXPECT_TRUE(std::is_sorted(fractions.begin(), fractions.end()));
        EXPECT_EQ(fractions.back(), 1.0);
        EXPECT_EQ(gdk_pixbuf_get_height(img.get()), 2 * middle[f]);
        EXPECT_EQ(gdk_pixbuf_get_width(img.get()), 573 + 17);  // 2 * 286.5 + 1.2 * 14 pixels of arc
        int column = -1;
        for (int x = 0; x < gdk_pixbuf_get_width(img.get()); ++x)
            if (pixelIs(img.get(), x, middle[f], kMark)) column = x;
        EXPECT_EQ(column, 214) << "field " << f;
    }
}

// A zero on the diagonal forces row and column exchanges; two right sides
// (n x k, row order) with solutions (1, 2, 3) and (-1, 0, 2).
TEST(LinearAlgebra, SolvesAndInvertsNeedingPivotsRefusesSingularAndFitsAnAffineMap)
{
    const double m[9] = {0, 2, 1, 1, 0, 3, 4, -1, 0};
    double a[9], inv[9], b[6] = {7, 2, 10, 5, 2, -4};
    std::copy(m, m + 9, a);
    ASSERT_EQ(solveGaussJordan(a, 3, b, 2), 0);
    ASSERT_EQ(invert3x3(m, inv), 0);
    const double expected[6] = {1, -1, 2, 0, 3, 2};
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(b[i], expected[i], 1e-12) << i;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            double sum = 0.0;
            for (int k = 0; k < 3; ++k) sum += m[r * 3 + k] * a[k * 3 + c];
            EXPECT_NEAR(sum, r == c, 1e-12) << r << "," << c;
            EXPECT_NEAR(inv[r * 3 + c], a[r * 3 + c], 1e-12) << r << "," << c;
        }
    // Singular and NaN systems are refused.
    double zero[4] = {0, 0, 0, 0}, rank1[9] = {1, 2, 3, 2, 4, 6, 1, 1, 1}, nan[4] = {NAN, NAN, NAN, NAN};
    for (double *s : {zero, rank1, nan}) EXPECT_EQ(solveGaussJordan(s, s == rank1 ? 3 : 2, b, 1), -4);
    const double singular[9] = {1, 2, 3, 2, 4, 6, 0, 0, 1}, withNan[9] = {1, 0, 0, 0, NAN, 0, 0, 0, 1};
    EXPECT_EQ(invert3x3(singular, inv), 1);
    EXPECT_EQ(invert3x3(withNan, inv), 1);

    // A rotated, sheared and shifted map like a chart turned by a quarter turn
    // and a few degrees.
    const AffineTransform known{{0.05, 0.98, 812.5, -1.02, 0.07, 2301.25, 0, 0, 1}};
    const Vec2 C[4] = {{0, 0}, {2292, 0}, {0, 656}, {2292, 656}};
    Vec2 S[4];
    for (int k = 0; k < 4; ++k) S[k] = applyAffine(known, C[k]);
    AffineTransform T;
    ASSERT_EQ(fitAffine(C, S, T), 0);
    for (int i = 0; i < 9; ++i) EXPECT_NEAR(T.t[i], known.t[i], 1e-9) << i;
}
