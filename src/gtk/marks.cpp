#include "handlers.h"
#include "ui.h"

// Placeholder bodies until this page is built.

gboolean on_imgtemp_button_press_event(GtkWidget */*widget*/, GdkEventButton */*event*/, gpointer /*user*/)
{
    trace("on_imgtemp_button_press_event\n");
    return FALSE;
}

gboolean on_imgtemp_button_release_event(GtkWidget */*widget*/, GdkEventButton */*event*/, gpointer /*user*/)
{
    trace("on_imgtemp_button_release_event\n");
    return FALSE;
}

gboolean on_imghygro_button_press_event(GtkWidget */*widget*/, GdkEventButton */*event*/, gpointer /*user*/)
{
    trace("on_imghygro_button_press_event\n");
    return FALSE;
}

gboolean on_imghygro_button_release_event(GtkWidget */*widget*/, GdkEventButton */*event*/, gpointer /*user*/)
{
    trace("on_imghygro_button_release_event\n");
    return FALSE;
}

gboolean on_imghygro_motion_notify_event(GtkWidget */*widget*/, GdkEventMotion */*event*/, gpointer /*user*/)
{
    trace("on_imghygro_motion_notify_event\n");
    return FALSE;
}

gboolean on_imgtemp_motion_notify_event(GtkWidget */*widget*/, GdkEventMotion */*event*/, gpointer /*user*/)
{
    trace("on_imgtemp_motion_notify_event\n");
    return FALSE;
}

void on_resetvertical_clicked(GtkButton */*button*/, gpointer /*user*/)
{
    trace("on_resetvertical_clicked\n");
}

void on_resetdrawpos_clicked(GtkButton */*button*/, gpointer /*user*/)
{
    trace("on_resetdrawpos_clicked\n");
}

void on_autowindows_clicked(GtkButton */*button*/, gpointer /*user*/)
{
    trace("on_autowindows_clicked\n");
}

void setMarkMode(GtkWidget */*widget*/, MainCtx */*ctx*/, int /*mode*/)
{

}

void pressFieldView(GtkWidget */*view*/, GdkEventButton */*event*/, MainCtx */*ctx*/, int /*field*/)
{

}

void moveInFieldView(GtkWidget */*view*/, GdkEventMotion */*event*/, MainCtx */*ctx*/, int /*field*/)
{

}

void releaseFieldView(GtkWidget */*view*/, GdkEventButton */*event*/, MainCtx */*ctx*/, int /*field*/)
{

}

void retouchLimit(GtkWidget */*view*/, MainCtx */*ctx*/, int /*field*/, int /*x*/, int /*y*/, int /*edge*/, int /*clear*/)
{

}

void storeDatePos(MainCtx */*ctx*/, int /*i*/)
{

}

void storeDrawColumn(MainCtx */*ctx*/, int /*field*/, int /*column*/)
{

}

void storeDrawMarks(MainCtx */*ctx*/, int /*field*/)
{

}
