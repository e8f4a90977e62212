// SPDX-License-Identifier: GPL-3.0-or-later
#include <unistd.h>

#include "handlers.h"
#include "i18n.h"
#include "ui.h"

#include <glib/gstdio.h>

// A scan's file context: offered for saving when the scan is left or the
// program ends, read when a scan is opened. Opening starts from the start
// values, so nothing of the previous scan can reach the next one.

namespace {

const char *const kOffsetKeys[2] = {"AddTemp", "AddHygro"};

const char *const kUnsavedLoss = N_(
    "Without saving, what was set for this scan since the file context was last written "
    "(pass points, marks and dates, ink colour, time step, offsets, smoothness, search windows "
    "and drawn rows) is lost.");

// The store under another name, all entries kept and still to be written.
void moveStore(FileCtx &store, const std::string &name)
{
    const FileCtx::Entries entries = store.all();
    store.open(name.c_str(), false);
    for (const auto &entry : entries)
        store.set(entry.first.c_str(), entry.second.c_str());
    store.markModified();
}

// The scan's file context beside it; for a scan in a folder that cannot be
// written, a copy in a writable folder (read there when it exists, else
// started from the one beside the scan), and the user is told where.
void openScanStore(MainCtx *ctx)
{
    const std::string &scan = ctx->imageName;
    ctx->contextNote.clear();
    if (folderWritable(folderOf(scan))) {
        ctx->fileCtx.open(scan.c_str(), true);
        return;
    }
    const std::string kept = keptContextFolder(ctx) + G_DIR_SEPARATOR_S + baseName(scan);
    if (g_file_test((kept + ".ctx").c_str(), G_FILE_TEST_EXISTS)) {
        ctx->fileCtx.open(kept.c_str(), true);
    } else {
        ctx->fileCtx.open(scan.c_str(), true);
        moveStore(ctx->fileCtx, kept);
        ctx->fileCtx.clearModified();
    }
    ctx->contextNote = _("; the scan's folder is read-only, its file context is kept in ") + kept + ".ctx";
}

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
    // The calendar shows the scan's dates at once, the start's outside the
    // date modes.
    showMarkDate(ctx, ctx->markMode == EndMark ? EndMark : StartMark);
    showTypedDates(ctx);
    showDateDifference(ctx);
}

} // namespace

void saveFileCtx(MainCtx *ctx)
{
    FileCtx &store = ctx->fileCtx;
    if (!store.isModified() || !store.fileName())
        return;
    if (!askChoice(ctx, std::string(_("Save file context ")) + store.fileName() + " ?", _("_Save"),
                   _("_Don't save"), _(kUnsavedLoss))) {
        store.clearModified();
        return;
    }
    while (store.write() < 0) {
        if (!askChoice(ctx, std::string(_("could not write file context ")) + store.fileName(),
                       _("_Choose another folder"), _("_Don't save"), _(kUnsavedLoss))) {
            store.clearModified();
            return;
        }
        std::string folder;
        if (chooseFolder(ctx, _("vellora: folder for the file context"), folder))
            moveStore(store, folder + G_DIR_SEPARATOR_S + baseName(ctx->imageName));
    }
}

void openFileCtx(MainCtx *ctx)
{
    // A chart of the same folder usually starts where the previous one ended.
    rememberChartEnd(ctx);
    ctx->openedFolder = folderOf(ctx->imageName);
    saveFileCtx(ctx);
    // Whatever was not saved is dropped with the entries; the next scan's
    // store must not look modified when it has no file to read.
    ctx->fileCtx.clear();
    ctx->fileCtx.clearModified();
    ctx->activePassPoint = 0;
    ctx->lastSetPassPoint = -1;
    showFirstPassPointActive(ctx);
    openScanStore(ctx);
    loadScanSettings(ctx->fileCtx, *ctx->params, ctx->settings);
    offerPreviousEnd(ctx);
    showDateProposal(ctx, EndMark, false);
    proposeEndDate(ctx);
    showScanSettings(ctx);
}

void showCurveColor(MainCtx *ctx)
{
    const GdkColor color = gdkColorOf(ctx->settings.curveColor);
    gtk_color_button_set_color(GTK_COLOR_BUTTON(ctx->widSelCurveColor), &color);
    showHygroInkColor(ctx);
}

GdkColor gdkColorOf(const int rgb[3])
{
    GdkColor color;
    color.pixel = 0;
    color.red = static_cast<guint16>(rgb[0] * 256);
    color.green = static_cast<guint16>(rgb[1] * 256);
    color.blue = static_cast<guint16>(rgb[2] * 256);
    return color;
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

std::string folderOf(const std::string &path)
{
    gchar *dir = g_path_get_dirname(path.c_str());
    const std::string folder = dir;
    g_free(dir);
    return folder;
}

std::string baseName(const std::string &path)
{
    gchar *base = g_path_get_basename(path.c_str());
    const std::string name = base;
    g_free(base);
    return name;
}

namespace {

bool folderAccessible(const std::string &folder)
{
    return g_access(folder.c_str(), W_OK) == 0;
}

} // namespace

bool (*folderWritable)(const std::string &folder) = folderAccessible;

std::string keptContextFolder(MainCtx *ctx)
{
    const char *tables = ctx->settingsCtx.get(kTableFolderKey);
    if (tables && folderWritable(tables))
        return tables;
    gchar *dir = g_build_filename(g_get_user_data_dir(), "vellora", "contexts", nullptr);
    g_mkdir_with_parents(dir, 0755);
    const std::string folder = dir;
    g_free(dir);
    return folder;
}

bool chooseFolder(MainCtx *ctx, const char *title, std::string &folder)
{
    GtkWidget *dialog = gtk_file_chooser_dialog_new(
        title, GTK_WINDOW(ctx->widMainWindow), GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER,
        GTK_STOCK_CANCEL, GTK_RESPONSE_CANCEL, _("_Use this folder"), GTK_RESPONSE_ACCEPT, nullptr);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
    gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(dialog), g_get_home_dir());
    bool chosen = gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT;
    if (chosen) {
        gchar *name = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog));
        if (!name)
            name = gtk_file_chooser_get_current_folder(GTK_FILE_CHOOSER(dialog));
        chosen = name != nullptr;
        folder = name ? name : "";
        g_free(name);
    }
    gtk_widget_destroy(dialog);
    return chosen;
}
