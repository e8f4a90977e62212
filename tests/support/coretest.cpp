// SPDX-License-Identifier: GPL-3.0-or-later
#include "coretest.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "scanimage.h"

PixbufPtr solidImage(int w, int h, const guchar rgb[3])
{
    PixbufPtr image(gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, w, h));
    gdk_pixbuf_fill(image.get(), (guint32)rgb[0] << 24 | rgb[1] << 16 | rgb[2] << 8 | 0xff);
    return image;
}

bool pixelIs(const GdkPixbuf *image, int x, int y, const guchar rgb[3])
{
    guchar p[3];
    return getPixel(image, x, y, p) == 0 && p[0] == rgb[0] && p[1] == rgb[1] && p[2] == rgb[2];
}

RefColor refOf(int r, int g, int b)
{
    RefColor ref;
    const guchar rgb[3] = {(guchar)r, (guchar)g, (guchar)b};
    makeRefColor(ref, rgb);
    return ref;
}

PixbufPtr loadedScan(const std::string &path)
{
    GdkPixbuf *scan = nullptr;
    EXPECT_EQ(loadScanImage(path.c_str(), &scan), ScanLoaded) << path;
    return PixbufPtr(scan);
}

int countPixels(const GdkPixbuf *image, int x0, int x1, int y0, int y1,
                const std::function<bool(const guchar *rgb)> &match)
{
    int count = 0;
    for (int y = std::max(y0, 0); y <= std::min(y1, gdk_pixbuf_get_height(image) - 1); ++y)
        for (int x = std::max(x0, 0); x <= std::min(x1, gdk_pixbuf_get_width(image) - 1); ++x)
            count += match(pixelAddress(image, x, y));
    return count;
}

DecodedImage decodedImage(const std::string &path)
{
    DecodedImage decoded{PixbufPtr(gdk_pixbuf_new_from_file(path.c_str(), nullptr))};
    EXPECT_TRUE(decoded.image) << path;
    return decoded;
}

Params defaultParams()
{
    Params params;
    setParamDefaults(params);
    return params;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? NAN : v[v.size() / 2];
}

std::string fileContents(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void makeFile(const std::string &path, const std::string &bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string keysOf(const FileCtx &ctx)
{
    std::string keys;
    for (const auto &e : ctx.all()) keys += e.first + " ";
    return keys;
}

DateTime at(int year, int month, int day, int hour, int minute)
{
    DateTime dt;
    dt.setDateTime(year, month, day, hour, minute);
    return dt;
}

std::string stamp(int year, int month, int day, int hour, int minute)
{
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", year, month, day, hour, minute);
    return text;
}

bool useDecimalCommaLocale()
{
    // Built once into a folder of our own: no root, no system locale needed.
    static const std::string dir = [] {
        gchar *made = g_dir_make_tmp("vellora-locale-XXXXXX", nullptr);
        std::string path = made ? made : "";
        g_free(made);
        const std::string command = "localedef -i de_DE -f UTF-8 " + path + "/de_DE.UTF-8 2>/dev/null";
        if (path.empty() || std::system(command.c_str()) != 0)
            path.clear();
        return path;
    }();
    if (dir.empty())
        return false;
    g_setenv("LOCPATH", dir.c_str(), TRUE);
    g_setenv("LC_ALL", "de_DE.UTF-8", TRUE);
    return std::setlocale(LC_ALL, "de_DE.UTF-8") && *std::localeconv()->decimal_point == ',';
}
