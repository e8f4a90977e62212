#include "handlers.h"
#include "ui.h"

// Placeholder bodies until this page is built.

gboolean on_mainwindow_delete_event(GtkWidget */*widget*/, GdkEvent */*event*/, gpointer /*user*/)
{
    trace("on_mainwindow_delete_event\n");
    return FALSE;
}

void cb_destroy(GtkWidget */*widget*/, gpointer /*user*/)
{
    trace("cb_destroy\n");
}

void initMainCtx(MainCtx */*ctx*/)
{

}

int startMainWindow(MainCtx */*ctx*/, const char */*gladePath*/)
{
    return 0;
}

void cleanUp(MainCtx */*ctx*/)
{

}

void destroyMainCtx(MainCtx */*ctx*/)
{

}

int velloraMain(int /*argc*/, char **/*argv*/)
{
    return 0;
}
