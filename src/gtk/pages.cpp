#include <string>

#include "assertion.h"
#include "handlers.h"
#include "scanimage.h"
#include "ui.h"

// The notebook pages, the file chooser and opening a scan.

namespace {

const char *const kSupportContact = "support@vellora.org";

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

GtkFileFilter *makeImageFilter()
{
    GtkFileFilter *filter = gtk_file_filter_new();
    gtk_file_filter_set_name(filter, "images");
    // The upper-case forms match what the program's original platform matched
    // without regard to case; scanners on Linux often write CHART.TIF.
    static const char *const patterns[] = {"*.bmp", "*.jpg", "*.tif", "*.BMP", "*.JPG", "*.TIF"};
    for (const char *pattern : patterns)
        gtk_file_filter_add_pattern(filter, pattern);
    return filter;
}

// 0 and the loaded scan, or -1 after telling the user why it is refused.
int loadScanPixbuf(MainCtx *ctx, const char *path, GdkPixbuf **scan)
{
    const int result = loadScanImage(path, scan);
    if (result == ScanLoaded)
        return 0;
    showError(ctx, scanRefusalText(result), path);
    return -1;
}

void setWindowTitle(MainCtx *ctx, const char *path)
{
    std::string title = std::string(path) + "   " + " vellora, " + kSupportContact;
    gtk_window_set_title(GTK_WINDOW(ctx->widMainWindow), title.c_str());
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
        setStatus(ctx, "select scanned image to process");
        break;
    case PassPointPage:
        setStatus(ctx, "set and show pass points");
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
    gtk_file_chooser_add_filter(chooser, makeImageFilter());
    std::string folder, file;
    if (remembered && splitRememberedName(remembered, folder, file)) {
        gtk_file_chooser_set_current_folder(chooser, folder.c_str());
        gtk_file_chooser_select_filename(chooser, file.c_str());
    }
    g_signal_connect(chooser, "update-preview", G_CALLBACK(updatePreview), preview);
}

void updatePreview(GtkFileChooser *chooser, gpointer preview)
{
    char *name = gtk_file_chooser_get_preview_filename(chooser);
    if (!name)
        return;
    GdkPixbuf *image = gdk_pixbuf_new_from_file_at_size(name, 400, 600, nullptr);
    if (image) {
        gtk_image_set_from_pixbuf(GTK_IMAGE(preview), image);
        g_object_unref(image);
    }
    gtk_file_chooser_set_preview_widget_active(chooser, image != nullptr);
    g_free(name);
}

void on_openfile_selection_changed(GtkFileChooser *chooser, gpointer user)
{
    trace("on_openfile_selection_changed\n");
    MainCtx *ctx = mainCtxOf(user);
    char *name = gtk_file_chooser_get_filename(chooser);
    if (!name)
        return;
    // A click on a folder in the list is a step of navigation, not a scan.
    if (g_file_test(name, G_FILE_TEST_IS_DIR)) {
        g_free(name);
        return;
    }
    loadImage(ctx, name);
    g_free(name);
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
    setStatus(ctx, "open file ", path);
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
    setWindowTitle(ctx, path);
}

void releaseFields(MainCtx *ctx)
{
    for (FieldResult &field : ctx->fields)
        field.reset();
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
