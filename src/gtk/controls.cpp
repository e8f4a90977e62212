#include "handlers.h"
#include "ui.h"

// Placeholder bodies until this page is built.

void on_startdate_toggled(GtkToggleButton */*button*/, gpointer /*user*/)
{
    trace("on_startdate_toggled\n");
}

void on_enddate_toggled(GtkToggleButton */*button*/, gpointer /*user*/)
{
    trace("on_enddate_toggled\n");
}

void on_retouchvertical_toggled(GtkToggleButton */*button*/, gpointer /*user*/)
{
    trace("on_retouchvertical_toggled\n");
}

void on_drawcurve_toggled(GtkToggleButton */*button*/, gpointer /*user*/)
{
    trace("on_drawcurve_toggled\n");
}

void on_calendar_day_selected(GtkCalendar */*calendar*/, gpointer /*user*/)
{
    trace("on_calendar_day_selected\n");
}

void on_hour_changed(GtkSpinButton */*spin*/, gpointer /*user*/)
{
    trace("on_hour_changed\n");
}

void on_minute_changed(GtkSpinButton */*spin*/, gpointer /*user*/)
{
    trace("on_minute_changed\n");
}

void on_selcurvecolor_color_set(GtkColorButton */*button*/, gpointer /*user*/)
{
    trace("on_selcurvecolor_color_set\n");
}

void on_showcontrast_toggled(GtkToggleButton */*button*/, gpointer /*user*/)
{
    trace("on_showcontrast_toggled\n");
}

void on_showcurve_toggled(GtkToggleButton */*button*/, gpointer /*user*/)
{
    trace("on_showcurve_toggled\n");
}

void on_showtable_toggled(GtkToggleButton */*button*/, gpointer /*user*/)
{
    trace("on_showtable_toggled\n");
}

void on_resetcolor_clicked(GtkButton */*button*/, gpointer /*user*/)
{
    trace("on_resetcolor_clicked\n");
}

void on_addTemp_changed(GtkSpinButton */*spin*/, gpointer /*user*/)
{
    trace("on_addTemp_changed\n");
}

void on_addHygro_changed(GtkSpinButton */*spin*/, gpointer /*user*/)
{
    trace("on_addHygro_changed\n");
}

void showMarkDate(MainCtx */*ctx*/, int /*i*/)
{

}

void showDateDifference(MainCtx */*ctx*/)
{

}

void storeDateVal(MainCtx */*ctx*/, int /*i*/)
{

}

void storeCurveColor(MainCtx */*ctx*/)
{

}

void storeAddTemp(MainCtx */*ctx*/)
{

}

void storeAddHygro(MainCtx */*ctx*/)
{

}
