#include "handlers.h"
#include "ui.h"

// Placeholder bodies until this page is built.

gboolean on_imgtemp_expose_event(GtkWidget */*widget*/, GdkEventExpose */*event*/, gpointer /*user*/)
{
    trace("on_imgtemp_expose_event\n");
    return FALSE;
}

gboolean on_imghygro_expose_event(GtkWidget */*widget*/, GdkEventExpose */*event*/, gpointer /*user*/)
{
    trace("on_imghygro_expose_event\n");
    return FALSE;
}

void drawFieldView(GtkWidget */*widget*/, GdkEventExpose */*event*/, MainCtx */*ctx*/, int /*field*/)
{

}

void drawTableOverlay(GtkWidget */*widget*/, MainCtx */*ctx*/, int /*field*/, int /*width*/, int /*height*/)
{

}

double temperatureToMM(MainCtx */*ctx*/, double /*temperature*/)
{
    return 0.0;
}

void drawAxisLabel(MainCtx */*ctx*/, GtkWidget */*widget*/, GdkGC */*gc*/, int /*x*/, int /*y*/, const char */*text*/)
{

}

void drawRowLabel(MainCtx */*ctx*/, GtkWidget */*widget*/, GdkGC */*gc*/, int /*x*/, int /*y*/, const char */*text*/)
{

}
