// SPDX-License-Identifier: GPL-3.0-or-later

#include <tiffio.h>

#include "coretest.h"
#include "pixelformat.h"
#include "scanimage.h"

namespace {

// A TIFF of 8 x 4 pixels per page with the given samples per page, written
// by libtiff; mode "w8" makes a BigTIFF.
void writeTiff(const char *path, const char *mode, std::initializer_list<int> pageSamples)
{
    TIFF *t = TIFFOpen(path, mode);
    ASSERT_NE(t, nullptr) << path;
    for (int samples : pageSamples) {
        TIFFSetField(t, TIFFTAG_IMAGEWIDTH, 8);
        TIFFSetField(t, TIFFTAG_IMAGELENGTH, 4);
        TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, samples);
        TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        if (samples == 4) {
            const uint16_t extra = EXTRASAMPLE_UNASSALPHA;
            TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, &extra);
        }
        std::string row(size_t(8 * samples), '\x60');
        for (int y = 0; y < 4; ++y) TIFFWriteScanline(t, &row[0], y, 0);
        TIFFWriteDirectory(t);
    }
    TIFFClose(t);
}

} // namespace

// The samples come from libtiff, so BigTIFF and multi-page files (refused
// by a reader of classic TIFF headers) count from their first page.
TEST(ScanImage, SamplesPerPixelOfTheFirstPage)
{
    writeTiff("classic.tif", "w", {3});
    writeTiff("big.tif", "w8", {3});
    writeTiff("pages.tif", "w", {3, 4});
    writeTiff("alpha.tif", "w", {4});
    makeFile("text.tif", "II*\0 no directory follows");
    const std::pair<const char *, int> cases[] = {{"classic.tif", 3}, {"big.tif", 3},  {"pages.tif", 3},
                                                  {"alpha.tif", 4},   {"text.tif", -1}, {"missing.tif", -1}};
    for (const auto &c : cases) EXPECT_EQ(tiffSamplesPerPixel(c.first), c.second) << c.first;

    // A four-sample TIFF is what it shows on white paper.
    for (const char *path : {"big.tif", "alpha.tif"}) {
        const PixbufPtr scan = loadedScan(path);
        EXPECT_EQ(scan ? gdk_pixbuf_get_n_channels(scan.get()) : 0, 3) << path;
    }
}

// Every refusal says why: the system's reason, gdk-pixbuf's or the size
// against the limit, which is checked before anything is decoded.
TEST(ScanImage, RefusalsGiveTheirReason)
{
    const guchar rgb[3] = {1, 2, 3};
    ASSERT_TRUE(gdk_pixbuf_save(solidImage(300, 200, rgb).get(), "wide.png", "png", nullptr, nullptr));
    makeFile("text.jpg", "this is no image");
    // BMP headers whose size field or pixel offset claims 4 GB, which
    // gdk-pixbuf would allocate before refusing them.
    const std::string bmp("BM\x76\x02\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0\x10\0\0\0\x0c\0\0\0\x01\0\x18\0", 30);
    makeFile("header.bmp", std::string(bmp).replace(14, 4, "\x28\xff\xff\xff") + std::string(100, '\0'));
    makeFile("offset.bmp", std::string(bmp).replace(10, 4, "\x35\xff\xff\xf6") + std::string(100, '\0'));
    const struct { const char *path; long long maxPixels; int result; const char *reason; } cases[] = {
        {"missing.png", kDefaultMaxScanPixels, ScanUnreadable, "No such file or directory"},
        {"text.jpg", kDefaultMaxScanPixels, ScanUnreadable, "Unrecognized image file format"},
        {"wide.png", 59999, ScanTooLarge, "300 x 200 pixels, more than the 59999 allowed"},
        {"header.bmp", kDefaultMaxScanPixels, ScanUnreadable, "damaged BMP header"},
        {"offset.bmp", kDefaultMaxScanPixels, ScanUnreadable, "damaged BMP header"},
    };
    for (const auto &c : cases) {
        GdkPixbuf *scan = nullptr;
        std::string reason;
        EXPECT_EQ(loadScanImage(c.path, &scan, c.maxPixels, &reason), c.result) << c.path;
        EXPECT_EQ(scan, nullptr);
        EXPECT_NE(reason.find(c.reason), std::string::npos) << reason;
    }
}

// A pixel with alpha shows what it would on white paper; rows are read by
// their stride (an odd width pads them). An RGB image passes as it is.
TEST(ToOpaqueRgb, CompositesAlphaOnWhiteAndKeepsRgb)
{
    GdkPixbuf *rgba = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, 3, 2);
    const guchar pixels[2][12] = {{10, 20, 30, 255, 10, 20, 30, 0, 0, 100, 200, 128},
                                  {255, 0, 0, 1, 0, 0, 0, 254, 77, 77, 77, 255}};
    for (int y = 0; y < 2; ++y)
        std::copy(pixels[y], pixels[y] + 12, gdk_pixbuf_get_pixels(rgba) + y * gdk_pixbuf_get_rowstride(rgba));
    PixbufPtr rgb(toOpaqueRgb(rgba));
    ASSERT_TRUE(rgb);
    EXPECT_EQ(gdk_pixbuf_get_n_channels(rgb.get()), 3);
    const std::vector<int> expected[2][3] = {{{10, 20, 30}, {255, 255, 255}, {127, 177, 227}},
                                             {{255, 254, 254}, {1, 1, 1}, {77, 77, 77}}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            const guchar *p = pixelAddress(rgb.get(), x, y);
            EXPECT_EQ(std::vector<int>(p, p + 3), expected[y][x]) << x << "," << y;
        }

    GdkPixbuf *plain = solidImage(4, 4, pixels[1] + 8).release();
    EXPECT_EQ(toOpaqueRgb(plain), plain);
    g_object_unref(plain);
}
