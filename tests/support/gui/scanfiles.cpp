#include "scanfiles.h"

#include <fstream>
#include <sstream>

#include "harness.h"

std::string writeScan(const std::string &path, const char *type, int width, int height,
                      unsigned rgb, bool alpha)
{
    GdkPixbuf *image = gdk_pixbuf_new(GDK_COLORSPACE_RGB, alpha, 8, width, height);
    gdk_pixbuf_fill(image, (rgb << 8) | 0xff);
    EXPECT_TRUE(gdk_pixbuf_save(image, path.c_str(), type, nullptr, nullptr)) << path;
    g_object_unref(image);
    return path;
}

std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const std::string &path, const std::string &text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
}

bool fileExists(const std::string &path)
{
    return g_file_test(path.c_str(), G_FILE_TEST_EXISTS);
}

bool waitUntil(bool (*done)(void *), void *data, int timeoutMs)
{
    gint64 end = g_get_monotonic_time() + static_cast<gint64>(timeoutMs) * 1000;
    while (!done(data)) {
        if (g_get_monotonic_time() > end)
            return false;
        if (gtk_events_pending())
            gtk_main_iteration();
        else
            g_usleep(2000);
    }
    return true;
}

namespace {

struct Selection {
    GtkFileChooser *chooser;
    const std::string *path;
};

bool isSelected(void *data)
{
    Selection *s = static_cast<Selection *>(data);
    char *name = gtk_file_chooser_get_filename(s->chooser);
    bool selected = name && *s->path == name;
    g_free(name);
    return selected;
}

} // namespace

void chooseFile(MainCtx *ctx, const std::string &path)
{
    gtk_notebook_set_current_page(GTK_NOTEBOOK(ctx->widMainNoteBook), 0);
    runPending();
    GtkFileChooser *chooser = GTK_FILE_CHOOSER(uiWidget(ctx, "openfile"));
    gtk_file_chooser_unselect_all(chooser);
    Selection selection{chooser, &path};
    // A file made after its folder was listed shows up only once the folder
    // monitor reports it; until then the selection does not take.
    bool selected = false;
    for (int attempt = 0; attempt < 20 && !selected; ++attempt) {
        gtk_file_chooser_select_filename(chooser, path.c_str());
        selected = waitUntil(isSelected, &selection, 250);
    }
    EXPECT_TRUE(selected) << "chooser did not select " << path;
    runPending();
}

std::string statusText(MainCtx *ctx)
{
    const char *text = gtk_progress_bar_get_text(GTK_PROGRESS_BAR(ctx->widProgressBar));
    return text ? text : "";
}
