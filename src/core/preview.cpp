// SPDX-License-Identifier: GPL-3.0-or-later
#include "preview.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdint>

#include <cairo.h>
#include <png.h>
#include <pango/pangocairo.h>

#include "atomicfile.h"

namespace {

const int kCaptionHeight = 54;
const int kFieldGap = 6;
const int kSheetTileWidth = 400;
const int kPointArm = 3;   // pixels a table point's cross reaches either way

// The GUI's colours: curve blue, windows magenta, marks yellow, points black
// on white; suspect stretches red.
struct Rgb {
    double r, g, b;
};
const Rgb kCurve{0, 0, 1}, kWindow{1, 0, 1}, kMark{1, 1, 0}, kPoint{0, 0, 0}, kSuspect{1, 0, 0};
// Caption fills by verdict, green, amber and pink, all in the palette.
const Rgb kCaptionFill[3] = {{0.8, 1.0, 0.8}, {1.0, 0.8, 0.4}, {1.0, 0.6, 0.6}};
const double kSuspectTint = 0.35;

struct Surface {
    cairo_surface_t *s;
    explicit Surface(cairo_surface_t *surface) : s(surface) {}
    ~Surface() { cairo_surface_destroy(s); }
    Surface(const Surface &) = delete;
    Surface &operator=(const Surface &) = delete;
    bool ok() const { return cairo_surface_status(s) == CAIRO_STATUS_SUCCESS; }
};

struct Context {
    cairo_t *c;
    explicit Context(cairo_surface_t *s) : c(cairo_create(s)) {}
    ~Context() { cairo_destroy(c); }
    Context(const Context &) = delete;
    Context &operator=(const Context &) = delete;
};

void setColour(cairo_t *c, const Rgb &rgb, double alpha = 1.0)
{
    cairo_set_source_rgba(c, rgb.r, rgb.g, rgb.b, alpha);
}

// The pixbuf reduced to w x h, as a surface cairo can draw on: each target
// pixel the mean of the k x k source pixels from where it begins, k the
// reduction rounded up, so that a line one pixel thin still shows.
cairo_surface_t *reducedSurface(const GdkPixbuf *image, int w, int h)
{
    const int sw = gdk_pixbuf_get_width(image), sh = gdk_pixbuf_get_height(image);
    const int channels = gdk_pixbuf_get_n_channels(image), stride = gdk_pixbuf_get_rowstride(image);
    cairo_surface_t *s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS)
        return s;
    cairo_surface_flush(s);
    unsigned char *out = cairo_image_surface_get_data(s);
    const int outStride = cairo_image_surface_get_stride(s);
    const guchar *in = gdk_pixbuf_read_pixels(image);
    const int k = std::max(1, (int)std::ceil(std::max(double(sw) / w, double(sh) / h)));
    const float inv = 1.0f / float(k * k);
    std::vector<int> firstColumn(w);
    for (int x = 0; x < w; ++x)
        firstColumn[x] = std::max(0, std::min(sw - k, int((long long)x * sw / w))) * channels;
    for (int y = 0; y < h; ++y) {
        const int y0 = std::max(0, std::min(sh - k, int((long long)y * sh / h)));
        uint32_t *q = reinterpret_cast<uint32_t *>(out + (size_t)y * outStride);
        const guchar *block = in + (size_t)y0 * stride;
        for (int x = 0; x < w; ++x) {
            unsigned r = 0, g = 0, b = 0;
            for (int dy = 0; dy < k; ++dy) {
                const guchar *p = block + (size_t)dy * stride + firstColumn[x];
                for (int dx = 0; dx < k; ++dx, p += channels)
                    r += p[0], g += p[1], b += p[2];
            }
            q[x] = (uint32_t(r * inv) << 16) | (uint32_t(g * inv) << 8) | uint32_t(b * inv);
        }
    }
    cairo_surface_mark_dirty(s);
    return s;
}

double scaleOf(const PreviewField &f)
{
    return f.image ? double(kPreviewWidth) / gdk_pixbuf_get_width(f.image) : 1.0;
}

int scaledHeight(const PreviewField &f)
{
    return f.image ? (int)std::ceil(gdk_pixbuf_get_height(f.image) * scaleOf(f)) : 0;
}

// Columns first..last about one preview pixel apart: lines drawn through
// every field column would only cost time.
std::vector<int> previewColumns(int first, int last, double scale)
{
    std::vector<int> columns;
    const double step = std::max(1.0, 1.0 / scale);
    for (double x = first; x < last + 0.5; x += step)
        columns.push_back(std::min(last, (int)std::lround(x)));
    return columns;
}

void drawWindows(cairo_t *c, const PreviewField &f, double scale)
{
    if (!f.windows)
        return;
    setColour(c, kWindow, 0.8);
    const int h = gdk_pixbuf_get_height(f.image);
    const std::vector<int> columns = previewColumns(0, f.windows->size() - 1, scale);
    for (int edge = 0; edge < 2; ++edge) {
        bool open = false;
        for (int x : columns) {
            const int bot = f.windows->getBot(x), top = f.windows->getTop(x);
            if (bot < 0 && top < 0) {
                open = false;
                continue;
            }
            const double y = edge == 0 ? (bot < 0 ? 0 : bot) : (top < 0 ? h - 1 : top);
            open ? cairo_line_to(c, x, y) : cairo_move_to(c, x, y);
            open = true;
        }
    }
    cairo_stroke(c);
}

void drawCurve(cairo_t *c, const PreviewField &f, double scale)
{
    if (!f.curve || f.markStart < 0 || f.markEnd <= f.markStart)
        return;
    setColour(c, kCurve);
    for (int x : previewColumns(f.markStart, f.markEnd, scale)) {
        const double y = f.curve->value(x);
        x == f.markStart ? cairo_move_to(c, x, y) : cairo_line_to(c, x, y);
    }
    cairo_stroke(c);
}

// Points of the table as small crosses, black with a white halo, set as
// pixels: hundreds of tiny strokes cost cairo more than the whole picture.
void drawPoints(cairo_surface_t *s, const PreviewField &f, int top)
{
    if (!f.image)
        return;
    cairo_surface_flush(s);
    const int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
    const int stride = cairo_image_surface_get_stride(s);
    unsigned char *data = cairo_image_surface_get_data(s);
    auto put = [&](int x, int y, uint32_t colour) {
        if (x >= 0 && x < w && y >= 0 && y < h)
            reinterpret_cast<uint32_t *>(data + (size_t)y * stride)[x] = colour;
    };
    const uint32_t black = (uint32_t(255 * kPoint.r) << 16) | (uint32_t(255 * kPoint.g) << 8) | uint32_t(255 * kPoint.b);
    const double scale = scaleOf(f);
    for (const TableRow &r : f.rows) {
        const int x = (int)std::lround(r.x * scale), y = top + (int)std::lround(r.y * scale);
        for (int a = -kPointArm; a <= kPointArm; ++a)
            for (int side = -1; side <= 1; ++side) {
                put(x + a, y + side, 0xffffff);
                put(x + side, y + a, 0xffffff);
            }
        for (int a = -kPointArm; a <= kPointArm; ++a) {
            put(x + a, y, black);
            put(x, y + a, black);
        }
    }
    cairo_surface_mark_dirty(s);
}

void drawField(cairo_t *c, const PreviewField &f, double top)
{
    if (!f.image)
        return;
    const double scale = scaleOf(f);
    const int h = gdk_pixbuf_get_height(f.image);
    Surface image(reducedSurface(f.image, kPreviewWidth, scaledHeight(f)));
    if (!image.ok())
        return;
    cairo_save(c);
    cairo_translate(c, 0, top);
    cairo_set_source_surface(c, image.s, 0, 0);
    cairo_paint(c);
    cairo_scale(c, scale, scale);
    for (const ColumnStretch &s : f.suspect) {
        setColour(c, kSuspect, kSuspectTint);
        cairo_rectangle(c, s.first, 0, s.last - s.first + 1, h);
        cairo_fill(c);
    }
    cairo_set_line_width(c, 1.5 / scale);
    setColour(c, kMark);
    for (int x : {f.markStart, f.markEnd}) {
        cairo_move_to(c, x, 0);
        cairo_line_to(c, x, h);
    }
    cairo_stroke(c);
    drawWindows(c, f, scale);
    cairo_set_line_width(c, 2.0 / scale);
    drawCurve(c, f, scale);
    cairo_restore(c);
}

void drawCaption(cairo_t *c, double top, const std::string &title, const ScanVerdict &verdict)
{
    setColour(c, kCaptionFill[int(verdict.level)]);
    cairo_rectangle(c, 0, top, kPreviewWidth, kCaptionHeight);
    cairo_fill(c);
    PangoLayout *layout = pango_cairo_create_layout(c);
    PangoFontDescription *font = pango_font_description_from_string("Sans 11");
    pango_layout_set_font_description(layout, font);
    pango_layout_set_width(layout, (kPreviewWidth - 16) * PANGO_SCALE);
    pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_END);
    pango_layout_set_height(layout, -2);
    const std::string reasons = verdictReasons(verdict);
    const std::string text = title + "  —  " + verdictName(verdict.level) +
                             (reasons.empty() ? std::string() : "\n" + reasons);
    pango_layout_set_text(layout, text.c_str(), -1);
    cairo_set_source_rgb(c, 0, 0, 0);
    cairo_move_to(c, 8, top + 6);
    pango_cairo_show_layout(c, layout);
    pango_font_description_free(font);
    g_object_unref(layout);
}

// Previews are written with a palette of 6 levels per channel and light
// compression: the overlays' colours are in it, the paper's grain falls out,
// and encoding takes a small part of a scan's time.
const int kLevels = 6;

// The surface's pixels as palette indices, row after row.
std::vector<png_byte> paletteIndices(cairo_surface_t *s)
{
    // Each channel's level, times its place in the index.
    png_byte red[256], green[256], blue[256];
    for (int v = 0; v < 256; ++v) {
        const int level = (v * (kLevels - 1) + 127) / 255;
        red[v] = png_byte(level * kLevels * kLevels);
        green[v] = png_byte(level * kLevels);
        blue[v] = png_byte(level);
    }
    cairo_surface_flush(s);
    const int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
    const unsigned char *in = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    std::vector<png_byte> out((size_t)w * h);
    for (int y = 0; y < h; ++y) {
        const uint32_t *p = reinterpret_cast<const uint32_t *>(in + (size_t)y * stride);
        for (int x = 0; x < w; ++x)
            out[(size_t)y * w + x] = png_byte(red[(p[x] >> 16) & 255] + green[(p[x] >> 8) & 255] + blue[p[x] & 255]);
    }
    return out;
}

void appendPng(png_structp png, png_bytep data, png_size_t length)
{
    static_cast<std::string *>(png_get_io_ptr(png))->append(reinterpret_cast<const char *>(data), length);
}

void flushNothing(png_structp) {}

// The surface as an indexed PNG; false when libpng fails.
bool encodePng(cairo_surface_t *s, std::string &bytes)
{
    const int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
    std::vector<png_byte> indices = paletteIndices(s);
    std::vector<png_bytep> rows(h);
    for (int y = 0; y < h; ++y)
        rows[y] = &indices[(size_t)y * w];
    png_color palette[kLevels * kLevels * kLevels];
    for (int i = 0; i < kLevels * kLevels * kLevels; ++i)
        palette[i] = {png_byte(255 * (i / (kLevels * kLevels)) / (kLevels - 1)),
                      png_byte(255 * (i / kLevels % kLevels) / (kLevels - 1)),
                      png_byte(255 * (i % kLevels) / (kLevels - 1))};
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, info ? &info : nullptr);
        return false;
    }
    png_set_write_fn(png, &bytes, appendPng, flushNothing);
    png_set_compression_level(png, 1);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_PLTE(png, info, palette, kLevels * kLevels * kLevels);
    png_set_rows(png, info, rows.data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

int savePng(cairo_surface_t *s, const std::string &path, std::string *error)
{
    std::string bytes;
    if (!encodePng(s, bytes)) {
        *error = "could not encode " + path;
        return -1;
    }
    if (writeFileAtomic(path, bytes) != 0) {
        *error = "could not write " + path;
        return -1;
    }
    return 0;
}

int rank(VerdictLevel level)
{
    return level == VerdictLevel::Failed ? 0 : level == VerdictLevel::Suspect ? 1 : 2;
}

}  // namespace

int writePreview(const std::string &path, const PreviewField fields[2], const std::string &title,
                 const ScanVerdict &verdict, std::string *error)
{
    const int height = scaledHeight(fields[0]) + kFieldGap + scaledHeight(fields[1]) + kCaptionHeight;
    Surface out(cairo_image_surface_create(CAIRO_FORMAT_RGB24, kPreviewWidth, height));
    if (!out.ok()) {
        *error = "no memory for the preview " + path;
        return -1;
    }
    {
        Context c(out.s);
        cairo_set_source_rgb(c.c, 1, 1, 1);
        cairo_paint(c.c);
        drawField(c.c, fields[0], 0);
        drawField(c.c, fields[1], scaledHeight(fields[0]) + kFieldGap);
        drawCaption(c.c, height - kCaptionHeight, title, verdict);
    }
    drawPoints(out.s, fields[0], 0);
    drawPoints(out.s, fields[1], scaledHeight(fields[0]) + kFieldGap);
    return savePng(out.s, path, error);
}

int writeContactSheet(const std::string &path, const std::vector<SheetEntry> &entries, int columns,
                      std::string *error)
{
    std::vector<const SheetEntry *> order;
    for (const SheetEntry &e : entries)
        order.push_back(&e);
    std::stable_sort(order.begin(), order.end(),
                     [](const SheetEntry *a, const SheetEntry *b) { return rank(a->level) < rank(b->level); });
    columns = std::max(1, columns);
    const int rows = std::max(1, ((int)order.size() + columns - 1) / columns);
    // Tiles keep the previews' shape: two fields and a caption.
    const double scale = double(kSheetTileWidth) / kPreviewWidth;
    const int tileHeight = (int)std::ceil(800 * scale);
    Surface sheet(cairo_image_surface_create(CAIRO_FORMAT_RGB24, columns * kSheetTileWidth,
                                             rows * tileHeight));
    if (!sheet.ok()) {
        *error = "no memory for the contact sheet " + path;
        return -1;
    }
    Context c(sheet.s);
    cairo_set_source_rgb(c.c, 0.5, 0.5, 0.5);
    cairo_paint(c.c);
    for (size_t i = 0; i < order.size(); ++i) {
        Surface tile(cairo_image_surface_create_from_png(order[i]->preview.c_str()));
        if (!tile.ok())
            continue;
        const double fit = std::min(scale, double(tileHeight - 2) / cairo_image_surface_get_height(tile.s));
        cairo_save(c.c);
        cairo_translate(c.c, (i % columns) * kSheetTileWidth, (i / columns) * tileHeight);
        cairo_scale(c.c, fit, fit);
        cairo_set_source_surface(c.c, tile.s, 0, 0);
        cairo_pattern_set_filter(cairo_get_source(c.c), CAIRO_FILTER_GOOD);
        cairo_paint(c.c);
        cairo_restore(c.c);
    }
    return savePng(sheet.s, path, error);
}
