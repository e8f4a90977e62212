#include "handlers.h"
#include "ui.h"

// A scan's file context: offered for saving when the scan is left, read when a
// scan is opened. Opening starts from the start values, so nothing of the
// previous scan can reach the next one.

namespace {

const char *const kOffsetKeys[2] = {"AddTemp", "AddHygro"};

// Keeps the pass point radio buttons in line with activePassPoint after a
// reset; the button's handler sets the point itself.
void showFirstPassPointActive(MainCtx *ctx)
{
    GtkWidget *first = ctx->gladeXml ? glade_xml_get_widget(ctx->gladeXml, "P2") : nullptr;
    if (first && GTK_IS_TOGGLE_BUTTON(first))
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(first), TRUE);
}

// The controls show the settings; their handlers find nothing changed.
void showScanSettings(MainCtx *ctx)
{
    showCurveColor(ctx);
    showTimeStep(ctx);
    GtkWidget *offsets[2] = {ctx->widAddTemp, ctx->widAddHygro};
    for (int f = SubImgTemp; f <= SubImgHygro; ++f)
        gtk_spin_button_set_value(GTK_SPIN_BUTTON(offsets[f]), ctx->settings.addValue[f]);
    showSmoothness(ctx);
    if (ctx->markMode == StartMark || ctx->markMode == EndMark)
        showMarkDate(ctx, ctx->markMode);
    showDateDifference(ctx);
}

} // namespace

void saveFileCtx(MainCtx *ctx)
{
    FileCtx &store = ctx->fileCtx;
    if (!store.isModified() || !store.fileName())
        return;
    if (askQuestion(ctx, "Save file context ", store.fileName(), " ?") && store.write() < 0)
        showError(ctx, "could not write file context ", store.fileName());
}

void openFileCtx(MainCtx *ctx)
{
    saveFileCtx(ctx);
    // Whatever was not saved is dropped with the entries; the next scan's
    // store must not look modified when it has no file to read.
    ctx->fileCtx.clear();
    ctx->fileCtx.clearModified();
    ctx->activePassPoint = 0;
    ctx->lastSetPassPoint = -1;
    showFirstPassPointActive(ctx);
    ctx->fileCtx.open(ctx->imageName.c_str(), true);
    loadScanSettings(ctx->fileCtx, *ctx->params, ctx->settings);
    showScanSettings(ctx);
}

void showCurveColor(MainCtx *ctx)
{
    const int *rgb = ctx->settings.curveColor;
    GdkColor color;
    color.pixel = 0;
    color.red = static_cast<guint16>(rgb[0] * 256);
    color.green = static_cast<guint16>(rgb[1] * 256);
    color.blue = static_cast<guint16>(rgb[2] * 256);
    gtk_color_button_set_color(GTK_COLOR_BUTTON(ctx->widSelCurveColor), &color);
}

void forgetGeometrySettings(MainCtx *ctx)
{
    GtkWidget *offsets[2] = {ctx->widAddTemp, ctx->widAddHygro};
    for (int f = SubImgTemp; f <= SubImgHygro; ++f) {
        ctx->settings.addValue[f] = 0.0;
        gtk_spin_button_set_value(GTK_SPIN_BUTTON(offsets[f]), 0.0);
        ctx->settings.fields[f] = FieldSettings();
    }
}

const char *offsetKey(int field)
{
    return kOffsetKeys[field];
}
