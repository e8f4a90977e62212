#include "preview.h"

#include <algorithm>
#include <cmath>

#include <cairo.h>
#include <pango/pangocairo.h>

#include "atomicfile.h"

namespace {

const int kCaptionHeight = 54;
const int kFieldGap = 6;
const int kSheetTileWidth = 400;
const double kMinSuspectMinutes = 30.0;
const double kMinBesideMinutes = 60.0;

// The GUI's colours: curve blue, windows magenta, marks yellow, points black
// on white; suspect stretches red.
struct Rgb {
    double r, g, b;
};
const Rgb kCurve{0, 0, 1}, kWindow{1, 0, 1}, kMark{1, 1, 0}, kPoint{0, 0, 0}, kSuspect{1, 0, 0};
const Rgb kCaptionFill[3] = {{0.85, 0.95, 0.85}, {1.0, 0.9, 0.6}, {1.0, 0.75, 0.75}};

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

// An opaque copy of the pixbuf cairo can draw.
cairo_surface_t *surfaceOf(const GdkPixbuf *image)
{
    const int w = gdk_pixbuf_get_width(image), h = gdk_pixbuf_get_height(image);
    const int channels = gdk_pixbuf_get_n_channels(image), stride = gdk_pixbuf_get_rowstride(image);
    cairo_surface_t *s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS)
        return s;
    cairo_surface_flush(s);
    unsigned char *out = cairo_image_surface_get_data(s);
    const int outStride = cairo_image_surface_get_stride(s);
    const guchar *in = gdk_pixbuf_read_pixels(image);
    for (int y = 0; y < h; ++y) {
        const guchar *p = in + (size_t)y * stride;
        uint32_t *q = reinterpret_cast<uint32_t *>(out + (size_t)y * outStride);
        for (int x = 0; x < w; ++x, p += channels)
            q[x] = (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
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

void drawWindows(cairo_t *c, const PreviewField &f)
{
    if (!f.windows)
        return;
    setColour(c, kWindow, 0.8);
    const int h = gdk_pixbuf_get_height(f.image);
    for (int edge = 0; edge < 2; ++edge) {
        bool open = false;
        for (int x = 0; x < f.windows->count; ++x) {
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

void drawCurve(cairo_t *c, const PreviewField &f)
{
    if (!f.curve || f.markStart < 0 || f.markEnd <= f.markStart)
        return;
    setColour(c, kCurve);
    for (int x = f.markStart; x <= f.markEnd; ++x) {
        const double y = f.curve->value(x);
        x == f.markStart ? cairo_move_to(c, x, y) : cairo_line_to(c, x, y);
    }
    cairo_stroke(c);
}

// Points of the table as small crosses, black with a white halo.
void drawPoints(cairo_t *c, const PreviewField &f, double scale)
{
    const double arm = 3.0 / scale;
    for (const TableRow &r : f.rows) {
        cairo_move_to(c, r.x - arm, r.y);
        cairo_line_to(c, r.x + arm, r.y);
        cairo_move_to(c, r.x, r.y - arm);
        cairo_line_to(c, r.x, r.y + arm);
    }
    cairo_set_source_rgb(c, 1, 1, 1);
    cairo_set_line_width(c, 3.0 / scale);
    cairo_stroke_preserve(c);
    setColour(c, kPoint);
    cairo_set_line_width(c, 1.0 / scale);
    cairo_stroke(c);
}

void drawField(cairo_t *c, const PreviewField &f, double top)
{
    if (!f.image)
        return;
    const double scale = scaleOf(f);
    const int h = gdk_pixbuf_get_height(f.image);
    Surface image(surfaceOf(f.image));
    if (!image.ok())
        return;
    cairo_save(c);
    cairo_translate(c, 0, top);
    cairo_scale(c, scale, scale);
    cairo_set_source_surface(c, image.s, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(c), CAIRO_FILTER_GOOD);
    cairo_paint(c);
    for (const ColumnStretch &s : f.suspect) {
        setColour(c, kSuspect, 0.25);
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
    drawWindows(c, f);
    cairo_set_line_width(c, 2.0 / scale);
    drawCurve(c, f);
    drawPoints(c, f, scale);
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

cairo_status_t appendBytes(void *closure, const unsigned char *data, unsigned int length)
{
    static_cast<std::string *>(closure)->append(reinterpret_cast<const char *>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

int savePng(cairo_surface_t *s, const std::string &path, std::string *error)
{
    std::string png;
    if (cairo_surface_write_to_png_stream(s, appendBytes, &png) != CAIRO_STATUS_SUCCESS) {
        *error = "could not encode " + path;
        return -1;
    }
    if (writeFileAtomic(path, png) != 0) {
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

std::vector<ColumnStretch> suspectStretches(const FieldEvidence &e)
{
    std::vector<ColumnStretch> out;
    if (e.minutesPerColumn <= 0.0 || e.markEnd <= e.markStart)
        return out;
    const int gapColumns = (int)std::ceil(kMinSuspectMinutes / e.minutesPerColumn);
    const int besideColumns = (int)std::ceil(kMinBesideMinutes / e.minutesPerColumn);
    int previous = e.markStart - 1;
    auto gapTo = [&](int next) {
        if (next - previous - 1 >= gapColumns)
            out.push_back({previous + 1, next - 1});
        previous = next;
    };
    for (int x : e.knotPos)
        if (x >= e.markStart && x <= e.markEnd)
            gapTo(x);
    gapTo(e.markEnd + 1);
    int start = -1;
    for (int x = e.markStart; x <= e.markEnd + 1; ++x) {
        const bool beside = x <= e.markEnd && x < (int)e.ink.size() && e.ink[x].beside > 0;
        if (beside && start < 0)
            start = x;
        if (!beside && start >= 0) {
            if (x - start >= besideColumns)
                out.push_back({start, x - 1});
            start = -1;
        }
    }
    return out;
}

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
