// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstring>
#include <string>

#include "assertion.h"
#include "handlers.h"
#include "i18n.h"
#include "scanimage.h"
#include "ui.h"

// The notebook pages, the file chooser and opening a scan.

namespace {

const char *const kSupportContact = "support@vellora.org";
// Small enough that the chooser page fits a small screen.
const int kPreviewWidth = 240;
const int kPreviewHeight = 320;

// The remembered scan as the chooser should show it. The name may have been
// written on Windows ("\") or here ("/"), so both count as separators; a name
// that exists as written is kept whole, since "\" is an ordinary character in
// file names here. False when the name holds no separator at all.
bool splitRememberedName(const std::string &name, std::string &folder, std::string &file)
{
    if (g_file_test(name.c_str(), G_FILE_TEST_EXISTS)) {
        gchar *dir = g_path_get_dirname(name.c_str());
        folder = dir;
        g_free(dir);
        file = name;
        return folder != ".";
    }
    std::string::size_type cut = name.find_last_of("/\\");
    if (cut == std::string::npos)
        return false;
    folder = name.substr(0, cut);
    file = folder + G_DIR_SEPARATOR_S + name.substr(cut + 1);
    return true;
}

// Scanners write CHART.TIF as often as chart.tif, and .tiff, .jpeg and .png
// are scans too.
gboolean chartScanFilter(const GtkFileFilterInfo *info, gpointer)
{
    return isChartScanName(info->display_name);
}

GtkFileFilter *makeScanFilter()
{
    GtkFileFilter *filter = gtk_file_filter_new();
    gtk_file_filter_set_name(filter, _("Chart scans"));
    gtk_file_filter_add_custom(filter, GTK_FILE_FILTER_DISPLAY_NAME, chartScanFilter, nullptr,
                               nullptr);
    return filter;
}

GtkFileFilter *makeAllFilesFilter()
{
    GtkFileFilter *filter = gtk_file_filter_new();
    gtk_file_filter_set_name(filter, _("All files"));
    gtk_file_filter_add_pattern(filter, "*");
    return filter;
}

// A folder is entered, a file opened; what the chooser names is the selected
// file or, after typing, the typed path.
void openChosen(MainCtx *ctx, GtkFileChooser *chooser)
{
    char *name = gtk_file_chooser_get_filename(chooser);
    if (!name) {
        setStatus(ctx, _("select scanned image to process"));
        return;
    }
    if (g_file_test(name, G_FILE_TEST_IS_DIR))
        gtk_file_chooser_set_current_folder(chooser, name);
    else
        openScan(ctx, name);
    g_free(name);
}

// 0 and the loaded scan, or -1 after telling the user why it is refused.
int loadScanPixbuf(MainCtx *ctx, const char *path, GdkPixbuf **scan)
{
    std::string reason;
    const int result = loadScanImage(path, scan, kDefaultMaxScanPixels, &reason);
    if (result == ScanLoaded)
        return 0;
    showError(ctx, scanRefusalMessage(result, path, reason).c_str());
    return -1;
}

} // namespace

namespace {

// The work of entering the current page. It runs after the notebook has
// handled the click on its tab: work that shows progress lets events through,
// and inside the tab's click handler they left the notebook ignoring the
// next click.
gboolean enterCurrentPage(gpointer user)
{
    MainCtx *ctx = mainCtxOf(user);
    ctx->pageEntryIdle = 0;
    GtkWidget *notebook = ctx->widMainNoteBook;
    switch (gtk_notebook_get_current_page(GTK_NOTEBOOK(notebook))) {
    case ChooserPage:
        setStatus(ctx, _("select scanned image to process"));
        break;
    case PassPointPage:
        setStatus(ctx, _("set and show pass points"), ctx->contextNote.c_str());
        break;
    case EvaluationPage:
        cutOutSubImages(notebook, ctx);
        break;
    case TablePage:
        enterTablePage(notebook, ctx);
        break;
    default:
        break;
    }
    return FALSE;
}

} // namespace

void on_mainnotebook_switch_page(GtkNotebook *notebook, gpointer /*page*/, guint pageNum,
                                 gpointer user)
{
    trace("on_mainnotebook_switch_page\n");
    MainCtx *ctx = mainCtxOf(user);
    setWidgetCursor(GTK_WIDGET(notebook),
                    pageNum == PassPointPage ? ctx->cursorCross : ctx->cursorLeftPtr);
    if (!ctx->pageEntryIdle)
        ctx->pageEntryIdle = g_idle_add(enterCurrentPage, ctx);
}

void setupFileChooser(MainCtx *ctx)
{
    const char *remembered = ctx->settingsCtx.get("fileName");
    GtkWidget *openfile = glade_xml_get_widget(ctx->gladeXml, "openfile");
    VELLORA_ASSERT(openfile);
    GtkFileChooser *chooser = GTK_FILE_CHOOSER(openfile);
    GtkWidget *preview = gtk_image_new();
    gtk_file_chooser_set_preview_widget(chooser, preview);
    GtkFileFilter *scans = makeScanFilter();
    gtk_file_chooser_add_filter(chooser, scans);
    gtk_file_chooser_add_filter(chooser, makeAllFilesFilter());
    gtk_file_chooser_set_filter(chooser, scans);
    std::string folder, file;
    // Not the empty "Recently Used" list: the remembered folder, else home.
    if (remembered && splitRememberedName(remembered, folder, file)) {
        gtk_file_chooser_set_current_folder(chooser, folder.c_str());
        gtk_file_chooser_select_filename(chooser, file.c_str());
    } else {
        gtk_file_chooser_set_current_folder(chooser, g_get_home_dir());
    }
    g_signal_connect(chooser, "update-preview", G_CALLBACK(updatePreview), preview);
}

bool isChartScanName(const char *name)
{
    const char *dot = name ? strrchr(name, '.') : nullptr;
    if (!dot)
        return false;
    gchar *extension = g_ascii_strdown(dot + 1, -1);
    bool scan = false;
    for (const char *known : {"tif", "tiff", "jpg", "jpeg", "bmp", "png"})
        scan = scan || strcmp(extension, known) == 0;
    g_free(extension);
    return scan;
}

void updatePreview(GtkFileChooser *chooser, gpointer preview)
{
    char *name = gtk_file_chooser_get_preview_filename(chooser);
    if (!name)
        return;
    GdkPixbuf *image = gdk_pixbuf_new_from_file_at_size(name, kPreviewWidth, kPreviewHeight, nullptr);
    if (image) {
        gtk_image_set_from_pixbuf(GTK_IMAGE(preview), image);
        g_object_unref(image);
    }
    gtk_file_chooser_set_preview_widget_active(chooser, image != nullptr);
    g_free(name);
}

// A double click on a file or Enter on it; folders are entered by the chooser.
void on_openfile_file_activated(GtkFileChooser *chooser, gpointer user)
{
    trace("on_openfile_file_activated\n");
    openChosen(mainCtxOf(user), chooser);
}

void on_openscan_clicked(GtkButton * /*button*/, gpointer user)
{
    trace("on_openscan_clicked\n");
    MainCtx *ctx = mainCtxOf(user);
    openChosen(ctx, GTK_FILE_CHOOSER(glade_xml_get_widget(ctx->gladeXml, "openfile")));
}

bool openTypedPath(MainCtx *ctx, GtkWidget *focus)
{
    GtkWidget *chooser = glade_xml_get_widget(ctx->gladeXml, "openfile");
    if (!focus || !GTK_IS_ENTRY(focus) || !gtk_widget_is_ancestor(focus, chooser))
        return false;
    std::string path = gtk_entry_get_text(GTK_ENTRY(focus));
    if (path.empty())
        return false;
    if (!g_path_is_absolute(path.c_str())) {
        gchar *folder = gtk_file_chooser_get_current_folder(GTK_FILE_CHOOSER(chooser));
        gchar *whole = g_build_filename(folder ? folder : ".", path.c_str(), nullptr);
        path = whole;
        g_free(whole);
        g_free(folder);
    }
    if (g_file_test(path.c_str(), G_FILE_TEST_IS_DIR)) {
        // The chooser makes a new location field for the folder.
        gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(chooser), path.c_str());
        return true;
    }
    if (!g_file_test(path.c_str(), G_FILE_TEST_EXISTS)) {
        setStatus(ctx, _("no such file or folder: "), path.c_str());
        return true;
    }
    openScan(ctx, path.c_str());
    return true;
}

void openScan(MainCtx *ctx, const char *path)
{
    loadImage(ctx, path);
    ctx->dirtyFlags |= ImageChanged;
}

void on_lastfile1_clicked(GtkButton * /*button*/, gpointer /*user*/)
{
    trace("on_lastfile1_clicked\n");
}

void on_lastfile2_clicked(GtkButton * /*button*/, gpointer /*user*/)
{
    trace("on_lastfile2_clicked\n");
}

void loadImage(MainCtx *ctx, const char *path)
{
    setStatus(ctx, _("open file "), path);
    GdkPixbuf *scan;
    if (loadScanPixbuf(ctx, path, &scan) != 0)
        return;
    if (ctx->scanPixbuf)
        g_object_unref(ctx->scanPixbuf);
    ctx->scanPixbuf = scan;
    ctx->imageName = path;
    releaseFields(ctx);
    ctx->settingsCtx.set("fileName", path);
    openFileCtx(ctx);
    for (SubImgData &sub : ctx->subImgData)
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(sub.wid_saved), FALSE);
    gtk_notebook_set_current_page(GTK_NOTEBOOK(ctx->widMainNoteBook), PassPointPage);
    fitView(ctx, ScanZoom);
    showWindowTitle(ctx);
}

void releaseFields(MainCtx *ctx)
{
    for (FieldResult &field : ctx->fields)
        field.reset();
    forgetVerdict(ctx);
}

void setWidgetCursor(GtkWidget *widget, GdkCursor *cursor)
{
    GdkWindow *window = gtk_widget_get_window(widget);
    if (window)
        gdk_window_set_cursor(window, cursor);
}

void redrawWidget(GtkWidget *widget)
{
    GdkWindow *window = gtk_widget_get_window(widget);
    if (window)
        gdk_window_invalidate_rect(window, nullptr, FALSE);
}

void returnToPage(GtkWidget *notebook, int page)
{
    gtk_notebook_set_current_page(GTK_NOTEBOOK(notebook), page);
}

// The scan, the program and the chart profile whose geometry and scales it
// reads the scan with.
void showWindowTitle(MainCtx *ctx)
{
    gchar *profile = ctx->paramFile.empty() ? nullptr : g_path_get_basename(ctx->paramFile.c_str());
    std::string title = ctx->imageName.empty() ? std::string() : ctx->imageName + "    ";
    title += std::string("vellora, ") + kSupportContact + _(" — profile ") +
             (profile ? profile : _("built in (standard chart)"));
    g_free(profile);
    gtk_window_set_title(GTK_WINDOW(ctx->widMainWindow), title.c_str());
}
