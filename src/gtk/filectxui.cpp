#include "handlers.h"
#include "ui.h"

// A scan's file context: offered for saving when the scan is left, read and
// applied when a scan is opened. Every loader leaves its target alone when the
// record is missing or does not scan, so values of the previous scan carry over.

void saveFileCtx(MainCtx *ctx)
{
    FileCtx &store = ctx->fileCtx;
    if (!store.isModified() || !store.fileName())
        return;
    if (askQuestion(ctx, "Save file context ", store.fileName(), " ?") && store.write() < 0)
        showError(ctx, "could not write file context ", store.fileName());
}

// Keeps the pass point radio buttons in line with activePassPoint after a
// reset; the button's handler sets the point itself.
static void showFirstPassPointActive(MainCtx *ctx)
{
    GtkWidget *first = ctx->gladeXml ? glade_xml_get_widget(ctx->gladeXml, "P2") : nullptr;
    if (first && GTK_IS_TOGGLE_BUTTON(first))
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(first), TRUE);
}

void openFileCtx(MainCtx *ctx)
{
    saveFileCtx(ctx);
    // Whatever was not saved is dropped with the entries; the next scan's
    // store must not look modified when it has no file to read.
    ctx->fileCtx.clear();
    ctx->fileCtx.clearModified();
    // A nudge stores unset points too; they must not carry another scan's place.
    for (PassPoint &pp : ctx->passPoints)
        pp = PassPoint{0, 0.0, 0.0};
    ctx->activePassPoint = 0;
    showFirstPassPointActive(ctx);
    ctx->fileCtx.open(ctx->imageName.c_str(), true);
    loadPassPoints(ctx);
    loadDatePos(ctx);
    loadDateVal(ctx);
    loadCurveColor(ctx);
    loadTimeStep(ctx);
    loadAddTemp(ctx);
    loadAddHygro(ctx);
}

void loadPassPoints(MainCtx *ctx)
{
    for (int i = 0; i < 3; ++i)
        loadPassPointRecord(ctx->fileCtx, i, ctx->passPoints[i]);
}

void loadDatePos(MainCtx *ctx)
{
    for (int i = 0; i < 2; ++i)
        loadDatePosRecord(ctx->fileCtx, i, ctx->datePos[i]);
}

void loadDateVal(MainCtx *ctx)
{
    for (int i = 0; i < 2; ++i)
        loadDateValRecord(ctx->fileCtx, i, ctx->dateVal[i]);
}

void loadCurveColor(MainCtx *ctx)
{
    int rgb[3];
    if (!loadCurveColorRecord(ctx->fileCtx, rgb))
        return;
    for (int i = 0; i < 3; ++i)
        ctx->curveColor[i] = rgb[i];
    updateRefColor(ctx);
    showCurveColor(ctx);
}

void updateRefColor(MainCtx *ctx)
{
    guchar rgb[3];
    for (int i = 0; i < 3; ++i)
        rgb[i] = static_cast<guchar>(ctx->curveColor[i]);
    makeRefColor(ctx->refColor, rgb);
}

void showCurveColor(MainCtx *ctx)
{
    GdkColor color;
    color.pixel = 0;
    color.red = static_cast<guint16>(ctx->curveColor[0] * 256);
    color.green = static_cast<guint16>(ctx->curveColor[1] * 256);
    color.blue = static_cast<guint16>(ctx->curveColor[2] * 256);
    gtk_color_button_set_color(GTK_COLOR_BUTTON(ctx->widSelCurveColor), &color);
}

void loadTimeStep(MainCtx *ctx)
{
    int step;
    if (!loadTimeStepRecord(ctx->fileCtx, step))
        return;
    ctx->timeStep = step;
    showTimeStep(ctx);
}

// The offset is stored before the spin button is set, so that the spin
// button's handler finds it unchanged and neither recomputes nor rewrites.
static void loadOffset(MainCtx *ctx, const char *key, int field, GtkWidget *spin)
{
    double v;
    if (!loadDoubleRecord(ctx->fileCtx, key, v))
        return;
    setOffset(ctx, field, v);
    gtk_spin_button_set_value(GTK_SPIN_BUTTON(spin), v);
}

void loadAddTemp(MainCtx *ctx)
{
    loadOffset(ctx, "AddTemp", SubImgTemp, ctx->widAddTemp);
}

void loadAddHygro(MainCtx *ctx)
{
    loadOffset(ctx, "AddHygro", SubImgHygro, ctx->widAddHygro);
}
