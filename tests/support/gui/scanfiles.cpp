#include "scanfiles.h"

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
    gchar *text = nullptr;
    gsize size = 0;
    if (!g_file_get_contents(path.c_str(), &text, &size, nullptr))
        return std::string();
    const std::string result(text, size);
    g_free(text);
    return result;
}

void writeFile(const std::string &path, const std::string &text)
{
    EXPECT_TRUE(g_file_set_contents(path.c_str(), text.data(), text.size(), nullptr)) << path;
}

bool waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    const gint64 end = g_get_monotonic_time() + static_cast<gint64>(timeoutMs) * 1000;
    while (!done()) {
        if (g_get_monotonic_time() > end)
            return false;
        if (gtk_events_pending())
            gtk_main_iteration();
        else
            g_usleep(2000);
    }
    return true;
}

std::string chosenFile(MainCtx *ctx)
{
    gchar *name = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(uiWidget(ctx, "openfile")));
    const std::string result = name ? name : "";
    g_free(name);
    return result;
}

void chooseFile(MainCtx *ctx, const std::string &path)
{
    gtk_notebook_set_current_page(GTK_NOTEBOOK(ctx->widMainNoteBook), 0);
    runPending();
    GtkFileChooser *chooser = GTK_FILE_CHOOSER(uiWidget(ctx, "openfile"));
    gtk_file_chooser_unselect_all(chooser);
    auto selected = [ctx, &path] { return chosenFile(ctx) == path; };
    // A file made after its folder was listed shows up only once the folder
    // monitor reports it; until then the selection does not take.
    bool done = false;
    for (int attempt = 0; attempt < 20 && !done; ++attempt) {
        gtk_file_chooser_select_filename(chooser, path.c_str());
        done = waitUntil(selected, 250);
    }
    EXPECT_TRUE(done) << "chooser did not select " << path;
    runPending();
}

std::string statusText(MainCtx *ctx)
{
    const char *text = gtk_progress_bar_get_text(GTK_PROGRESS_BAR(ctx->widProgressBar));
    return text ? text : "";
}
