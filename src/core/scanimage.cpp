#include "scanimage.h"

#include <cstdio>
#include <cstring>

namespace {

const unsigned kTagSamplesPerPixel = 277;
const unsigned kTypeShort = 3, kTypeLong = 4;

unsigned get16(const unsigned char *p, bool bigEndian)
{
    return bigEndian ? (p[0] << 8) | p[1] : (p[1] << 8) | p[0];
}

unsigned long get32(const unsigned char *p, bool bigEndian)
{
    return bigEndian ? (get16(p, true) * 65536UL) + get16(p + 2, true)
                     : (get16(p + 2, false) * 65536UL) + get16(p, false);
}

// Walks the entries of the directory at offset for the samples per pixel.
int samplesInDirectory(std::FILE *f, unsigned long offset, bool bigEndian)
{
    unsigned char count[2];
    if (offset > 0x7fffffffUL || std::fseek(f, static_cast<long>(offset), SEEK_SET) != 0 ||
        std::fread(count, 1, 2, f) != 2)
        return -1;
    for (unsigned n = get16(count, bigEndian); n > 0; --n) {
        unsigned char entry[12];
        if (std::fread(entry, 1, 12, f) != 12)
            return -1;
        if (get16(entry, bigEndian) != kTagSamplesPerPixel)
            continue;
        unsigned type = get16(entry + 2, bigEndian);
        if (type == kTypeShort)
            return static_cast<int>(get16(entry + 8, bigEndian));
        if (type != kTypeLong)
            return -1;
        unsigned long samples = get32(entry + 8, bigEndian);
        return samples > 0xffffUL ? -1 : static_cast<int>(samples);
    }
    return 1;
}

} // namespace

int tiffSamplesPerPixel(const char *path)
{
    std::FILE *f = std::fopen(path, "rb");
    if (!f)
        return -1;
    unsigned char head[8];
    int samples = -1;
    if (std::fread(head, 1, 8, f) == 8 &&
        (std::memcmp(head, "II", 2) == 0 || std::memcmp(head, "MM", 2) == 0)) {
        bool bigEndian = head[0] == 'M';
        if (get16(head + 2, bigEndian) == 42)
            samples = samplesInDirectory(f, get32(head + 4, bigEndian), bigEndian);
    }
    std::fclose(f);
    return samples;
}

GdkPixbuf *dropAlpha(GdkPixbuf *image)
{
    if (gdk_pixbuf_get_n_channels(image) != 4) {
        g_object_unref(image);
        return nullptr;
    }
    const int width = gdk_pixbuf_get_width(image), height = gdk_pixbuf_get_height(image);
    const int srcStride = gdk_pixbuf_get_rowstride(image);
    const int dstStride = (width * 3 + 3) & ~3;
    guchar *pixels = gdk_pixbuf_get_pixels(image);
    // Every destination byte lies at or before the source byte it copies, so
    // packing forward never overwrites a byte still to be read.
    for (int y = 0; y < height; ++y) {
        const guchar *s = pixels + static_cast<gsize>(y) * srcStride;
        guchar *d = pixels + static_cast<gsize>(y) * dstStride;
        for (int x = 0; x < width; ++x, s += 4, d += 3) {
            d[0] = s[0];
            d[1] = s[1];
            d[2] = s[2];
        }
    }
    // The new pixbuf keeps the old one alive as the owner of the memory.
    return gdk_pixbuf_new_from_data(pixels, GDK_COLORSPACE_RGB, FALSE, 8, width, height,
                                    dstStride, [](guchar *, gpointer owner) {
                                        g_object_unref(owner);
                                    }, image);
}

const char *scanRefusalText(int result)
{
    return result == ScanNotThreeChannels ? "wrong number of colorchannels instead of 3 in "
                                          : "could not load image-file ";
}

int loadScanImage(const char *path, GdkPixbuf **scan)
{
    GdkPixbuf *image = gdk_pixbuf_new_from_file(path, nullptr);
    if (!image)
        return ScanUnreadable;
    if (gdk_pixbuf_get_n_channels(image) == 4 && tiffSamplesPerPixel(path) == 3) {
        image = dropAlpha(image);
        if (!image)
            return ScanUnreadable;
    }
    if (gdk_pixbuf_get_n_channels(image) != 3) {
        g_object_unref(image);
        return ScanNotThreeChannels;
    }
    *scan = image;
    return ScanLoaded;
}
