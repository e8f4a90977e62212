// SPDX-License-Identifier: GPL-3.0-or-later
#include "scanimage.h"

#include "pixelformat.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <sys/mman.h>
#include <sys/stat.h>
#include <vector>

#include <tiffio.h>

namespace {

const size_t kReadChunk = 1 << 20;

bool hugePageImages = false;

// Marks the heap memory the next allocation of some bytes will take for
// 2 MB pages: allocated, marked and given back, it stays at the heap's top
// (the process keeps freed memory) for the decoder to take.
void readyHeapForImage(size_t bytes)
{
#ifdef MADV_HUGEPAGE
    const size_t huge = size_t(2) << 20;
    char *block = static_cast<char *>(std::malloc(bytes + huge));
    if (!block)
        return;
    const uintptr_t start = (reinterpret_cast<uintptr_t>(block) + huge - 1) & ~(huge - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(block) + bytes + huge) & ~(huge - 1);
    if (end > start)
        madvise(reinterpret_cast<void *>(start), end - start, MADV_HUGEPAGE);
    std::free(block);
#else
    (void)bytes;
#endif
}

// libtiff would print its complaints about a damaged file to stderr.
int quietTiffHandler(TIFF *, void *, const char *, const char *, va_list)
{
    return 1;
}

// The rows the loader has delivered. A truncated PNG or BMP closes without
// an error, its missing rows left grey; only the rows tell. The JPEG loader
// even delivers grey rows for the missing part when it is closed, so for a
// JPEG only rows decoded from the data count.
struct RowTracker {
    std::vector<char> delivered;
    int missing = 0;
    bool ignoring = false;  // rows delivered now are no data

    static void onSizePrepared(GdkPixbufLoader *, int, int height, gpointer self)
    {
        RowTracker *t = static_cast<RowTracker *>(self);
        t->delivered.assign(height > 0 ? static_cast<size_t>(height) : 0, 0);
        t->missing = height;
    }

    static void onAreaUpdated(GdkPixbufLoader *, int, int y, int, int height, gpointer self)
    {
        RowTracker *t = static_cast<RowTracker *>(self);
        if (t->ignoring)
            return;
        const int rows = static_cast<int>(t->delivered.size());
        for (int r = std::max(y, 0); r < y + height && r < rows; ++r) {
            if (!t->delivered[r]) {
                t->delivered[r] = 1;
                --t->missing;
            }
        }
    }
};

std::string takeMessage(GError *error)
{
    std::string text = error ? error->message : "";
    g_clear_error(&error);
    return text;
}

// Feeds the whole file to the loader; false with the reason on a read or
// decoding error. The loader is closed either way.
bool feedLoader(std::FILE *f, GdkPixbufLoader *loader, RowTracker &rows, bool padsOnClose,
                std::string &reason)
{
    std::vector<guchar> chunk(kReadChunk);
    GError *error = nullptr;
    bool ok = true;
    size_t n;
    while (ok && (n = std::fread(chunk.data(), 1, chunk.size(), f)) > 0)
        ok = gdk_pixbuf_loader_write(loader, chunk.data(), n, &error);
    if (ok && std::ferror(f)) {
        reason = g_strerror(errno);
        ok = false;
    } else if (!ok) {
        reason = takeMessage(error);
    }
    // Closing after a failure only releases the loader; its complaint about
    // the missing rest adds nothing.
    rows.ignoring = padsOnClose;
    if (!gdk_pixbuf_loader_close(loader, ok ? &error : nullptr) && ok) {
        reason = takeMessage(error);
        ok = false;
    }
    return ok;
}

// Decodes the file; nullptr with the reason when it is no complete image.
GdkPixbuf *decodeImage(std::FILE *f, const std::string &format, std::string &reason)
{
    GdkPixbufLoader *loader = nullptr;
    if (!format.empty())
        loader = gdk_pixbuf_loader_new_with_type(format.c_str(), nullptr);
    if (!loader)
        loader = gdk_pixbuf_loader_new();
    const bool padsOnClose = format == "jpeg";
    RowTracker rows;
    g_signal_connect(loader, "size-prepared", G_CALLBACK(RowTracker::onSizePrepared), &rows);
    g_signal_connect(loader, "area-updated", G_CALLBACK(RowTracker::onAreaUpdated), &rows);
    GdkPixbuf *image = nullptr;
    if (feedLoader(f, loader, rows, padsOnClose, reason)) {
        image = gdk_pixbuf_loader_get_pixbuf(loader);
        if (!image)
            reason = "no image in the file";
        else if (rows.missing > 0)
            reason = "the file ends early (truncated), " + std::to_string(rows.missing) +
                     " of " + std::to_string(rows.delivered.size()) + " rows missing";
        image = reason.empty() ? GDK_PIXBUF(g_object_ref(image)) : nullptr;
    }
    g_object_unref(loader);
    return image;
}

// libtiff reads a TIFF from the file itself and fails on a short one;
// through a loader gdk-pixbuf would first copy the whole file into memory.
GdkPixbuf *decodeTiff(const char *path, std::string &reason)
{
    GError *error = nullptr;
    GdkPixbuf *image = gdk_pixbuf_new_from_file(path, &error);
    if (!image)
        reason = takeMessage(error);
    return image;
}

std::string formatName(const GdkPixbufFormat *format)
{
    if (!format)
        return std::string();
    gchar *name = gdk_pixbuf_format_get_name(const_cast<GdkPixbufFormat *>(format));
    std::string text = name;
    g_free(name);
    return text;
}

unsigned long little32(const unsigned char *p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<unsigned long>(p[3]) << 24);
}

// gdk-pixbuf's BMP reader allocates as much as the header's own size field
// and its offset of the pixels claim, up to 4 GB each, before it looks at
// them; the known headers have at most 124 bytes, and the pixels lie in the
// file.
bool damagedBmpHeader(std::FILE *f)
{
    const unsigned long kLargestBmpHeader = 124;
    unsigned char head[18];
    const bool bmp = std::fread(head, 1, sizeof head, f) == sizeof head && head[0] == 'B' &&
                     head[1] == 'M';
    std::rewind(f);
    struct stat st;
    if (!bmp || fstat(fileno(f), &st) != 0)
        return false;
    return little32(head + 14) > kLargestBmpHeader ||
           little32(head + 10) > static_cast<unsigned long>(st.st_size);
}

std::string sizeText(long long width, long long height, long long maxPixels)
{
    return std::to_string(width) + " x " + std::to_string(height) + " pixels, more than the " +
           std::to_string(maxPixels) + " allowed";
}

int refuse(int result, std::string *reason, const std::string &why)
{
    if (reason)
        *reason = why;
    return result;
}

} // namespace

void decodeOntoHugePages(bool on)
{
    hugePageImages = on;
}

int tiffSamplesPerPixel(const char *path)
{
    TIFFOpenOptions *opts = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(opts, quietTiffHandler, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(opts, quietTiffHandler, nullptr);
    TIFF *tiff = TIFFOpenExt(path, "r", opts);
    TIFFOpenOptionsFree(opts);
    if (!tiff)
        return -1;
    uint16_t samples = 0;
    int result = TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples) ? samples : -1;
    TIFFClose(tiff);
    return result;
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

namespace {

// The message of a refused scan, to which the path is appended.
const char *scanRefusalText(int result)
{
    switch (result) {
    case ScanNotThreeChannels:
        return "wrong number of colorchannels instead of 3 in ";
    case ScanTooLarge:
        return "image too large: ";
    default:
        return "could not load image-file ";
    }
}

} // namespace

std::string scanRefusalMessage(int result, const std::string &path, const std::string &reason)
{
    std::string text = scanRefusalText(result) + path;
    return reason.empty() ? text : text + ": " + reason;
}

int loadScanImage(const char *path, GdkPixbuf **scan, long long maxPixels, std::string *reason)
{
    std::FILE *f = std::fopen(path, "rb");
    if (!f)
        return refuse(ScanUnreadable, reason, g_strerror(errno));
    if (damagedBmpHeader(f)) {
        std::fclose(f);
        return refuse(ScanUnreadable, reason, "damaged BMP header");
    }
    int width = 0, height = 0;
    const GdkPixbufFormat *format = gdk_pixbuf_get_file_info(path, &width, &height);
    if (format && static_cast<long long>(width) * height > maxPixels) {
        std::fclose(f);
        return refuse(ScanTooLarge, reason, sizeText(width, height, maxPixels));
    }
    std::string why;
    const std::string name = formatName(format);
    if (hugePageImages && format)
        readyHeapForImage(size_t(4) * width * height);
    GdkPixbuf *image = name == "tiff" ? decodeTiff(path, why) : decodeImage(f, name, why);
    std::fclose(f);
    if (!image)
        return refuse(ScanUnreadable, reason, why);
    // A three-sample TIFF arrives with an opaque alpha channel, dropped in
    // place; any other alpha (an RGBA PNG, a grey TIFF) is what the image
    // shows on white paper.
    if (gdk_pixbuf_get_n_channels(image) == 4) {
        image = tiffSamplesPerPixel(path) == 3 ? dropAlpha(image) : toOpaqueRgb(image);
        if (!image)
            return refuse(ScanUnreadable, reason, "out of memory");
    }
    if (gdk_pixbuf_get_n_channels(image) != 3) {
        const int channels = gdk_pixbuf_get_n_channels(image);
        g_object_unref(image);
        return refuse(ScanNotThreeChannels, reason, std::to_string(channels) + " channels");
    }
    *scan = image;
    return ScanLoaded;
}
