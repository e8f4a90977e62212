#include "handlers.h"
#include "ui.h"

// Placeholder bodies until this page is built.

gboolean on_imgscan_expose_event(GtkWidget */*widget*/, GdkEventExpose */*event*/, gpointer /*user*/)
{
    trace("on_imgscan_expose_event\n");
    return FALSE;
}

gboolean on_imgscan_button_press_event(GtkWidget */*widget*/, GdkEventButton */*event*/, gpointer /*user*/)
{
    trace("on_imgscan_button_press_event\n");
    return FALSE;
}

void on_P2_toggled(GtkToggleButton */*button*/, gpointer /*user*/)
{
    trace("on_P2_toggled\n");
}

void on_P1_toggled(GtkToggleButton */*button*/, gpointer /*user*/)
{
    trace("on_P1_toggled\n");
}

void on_P3_toggled(GtkToggleButton */*button*/, gpointer /*user*/)
{
    trace("on_P3_toggled\n");
}

void on_up_clicked(GtkButton */*button*/, gpointer /*user*/)
{
    trace("on_up_clicked\n");
}

void on_down_clicked(GtkButton */*button*/, gpointer /*user*/)
{
    trace("on_down_clicked\n");
}

void on_left_clicked(GtkButton */*button*/, gpointer /*user*/)
{
    trace("on_left_clicked\n");
}

void on_right_clicked(GtkButton */*button*/, gpointer /*user*/)
{
    trace("on_right_clicked\n");
}

void storePassPoint(MainCtx */*ctx*/, int /*i*/)
{

}

void nudgePassPoints(MainCtx */*ctx*/, double /*dx*/, double /*dy*/)
{

}
