#include "handlers.h"
#include "ui.h"

// Placeholder bodies until this page is built.

void on_mainnotebook_switch_page(GtkNotebook */*notebook*/, gpointer /*page*/, guint /*pageNum*/, gpointer /*user*/)
{
    trace("on_mainnotebook_switch_page\n");
}

void on_openfile_selection_changed(GtkFileChooser */*chooser*/, gpointer /*user*/)
{
    trace("on_openfile_selection_changed\n");
}

void on_lastfile1_clicked(GtkButton */*button*/, gpointer /*user*/)
{
    trace("on_lastfile1_clicked\n");
}

void on_lastfile2_clicked(GtkButton */*button*/, gpointer /*user*/)
{
    trace("on_lastfile2_clicked\n");
}

void setupFileChooser(MainCtx */*ctx*/)
{

}

void updatePreview(GtkFileChooser */*chooser*/, gpointer /*preview*/)
{

}

void loadImage(MainCtx */*ctx*/, const char */*path*/)
{

}

void releaseFields(MainCtx */*ctx*/)
{

}

void setWidgetCursor(GtkWidget */*widget*/, GdkCursor */*cursor*/)
{

}
