#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "scanimage.h"

// Loading three-channel TIFF files, which gdk-pixbuf hands over with alpha,
// is covered with the other formats by the GUI tests; here the TIFF
// directory reading and the pixels of the converted image.

namespace {

void writeBytes(const char *path, const std::string &bytes)
{
    std::FILE *f = std::fopen(path, "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

// A big-endian TIFF whose only directory holds one 12-byte entry.
void writeTiffEntry(const char *path, const std::string &entry)
{
    writeBytes(path, std::string("MM\0\x2a\0\0\0\x08\0\x01", 10) + entry);
}

} // namespace

TEST(ScanImage, RgbTiffKeepsItsColoursWithoutAlpha)
{
    GdkPixbuf *image = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, 7, 5);
    gdk_pixbuf_fill(image, 0x804020ff);
    ASSERT_TRUE(gdk_pixbuf_save(image, "rgb.tif", "tiff", nullptr, nullptr));
    g_object_unref(image);
    GdkPixbuf *scan = nullptr;
    ASSERT_EQ(loadScanImage("rgb.tif", &scan), ScanLoaded);
    ASSERT_EQ(gdk_pixbuf_get_n_channels(scan), 3);
    const guchar *last = gdk_pixbuf_get_pixels(scan) + 4 * gdk_pixbuf_get_rowstride(scan) + 6 * 3;
    EXPECT_EQ(last[0], 0x80);
    EXPECT_EQ(last[1], 0x40);
    EXPECT_EQ(last[2], 0x20);
    g_object_unref(scan);
}

TEST(ScanImage, SamplesPerPixelOfTheFirstDirectory)
{
    writeTiffEntry("short.tif", std::string("\x01\x15\0\x03\0\0\0\x01\0\x03\0\0", 12));
    writeTiffEntry("long.tif", std::string("\x01\x15\0\x04\0\0\0\x01\0\0\0\x04", 12));
    writeTiffEntry("none.tif", std::string("\x01\x00\0\x03\0\0\0\x01\0\x10\0\0", 12));
    EXPECT_EQ(tiffSamplesPerPixel("short.tif"), 3);
    EXPECT_EQ(tiffSamplesPerPixel("long.tif"), 4);
    EXPECT_EQ(tiffSamplesPerPixel("none.tif"), 1);  // the default
    // A directory cut short, one past the end of the file, no TIFF at all.
    writeTiffEntry("cut.tif", std::string("\x01\x15\0\x03", 4));
    writeBytes("far.tif", std::string("II\x2a\0\xff\xff\0\0", 8));
    writeBytes("png.tif", std::string("\x89PNG\r\n\x1a\n", 8));
    for (const char *bad : {"cut.tif", "far.tif", "png.tif", "missing.tif"})
        EXPECT_EQ(tiffSamplesPerPixel(bad), -1) << bad;
}
