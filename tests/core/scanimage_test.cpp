#include <string>

#include <gtest/gtest.h>

#include "coretest.h"
#include "scanimage.h"

// gdk-pixbuf loads every TIFF with alpha; a three-sample TIFF must come back
// as three channels with its colours.
TEST(ScanImage, RgbTiffKeepsItsColoursWithoutAlpha)
{
    const guchar rgb[3] = {0x80, 0x40, 0x20};
    ASSERT_TRUE(gdk_pixbuf_save(solidImage(7, 5, rgb).get(), "rgb.tif", "tiff", nullptr, nullptr));
    GdkPixbuf *scan = nullptr;
    ASSERT_EQ(loadScanImage("rgb.tif", &scan), ScanLoaded);
    PixbufPtr owner(scan);
    EXPECT_TRUE(gdk_pixbuf_get_n_channels(scan) == 3 && pixelIs(scan, 6, 4, rgb) && pixelIs(scan, 0, 0, rgb));
}

TEST(ScanImage, SamplesPerPixelOfTheFirstDirectory)
{
    // Big-endian TIFFs whose only directory holds one entry.
    const std::string head("MM\0\x2a\0\0\0\x08\0\x01", 10), spp3("\x01\x15\0\x03\0\0\0\x01\0\x03\0\0", 12);
    const std::pair<std::string, int> cases[] = {
        {head + spp3, 3},                                                   // SHORT
        {head + std::string("\x01\x15\0\x04\0\0\0\x01\0\0\0\x04", 12), 4},  // LONG
        {head + std::string("\x01\x00\0\x03\0\0\0\x01\0\x10\0\0", 12), 1},  // absent: the default
        {head + spp3.substr(0, 4), -1},                                    // the entry cut short
        {std::string("II\x2a\0\xff\xff\0\0", 8), -1},                       // directory past the end
    };
    for (const auto &c : cases) {
        makeFile("t.tif", c.first);
        EXPECT_EQ(tiffSamplesPerPixel("t.tif"), c.second) << c.first.size() << " bytes";
    }
    EXPECT_EQ(tiffSamplesPerPixel("missing.tif"), -1);
}
