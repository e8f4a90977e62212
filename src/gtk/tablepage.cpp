#include "handlers.h"
#include "ui.h"

// Placeholder bodies until this page is built.

void on_timestep10_toggled(GtkToggleButton */*button*/, gpointer /*user*/)
{
    trace("on_timestep10_toggled\n");
}

void on_timestep60_toggled(GtkToggleButton */*button*/, gpointer /*user*/)
{
    trace("on_timestep60_toggled\n");
}

void on_savetables_clicked(GtkButton */*button*/, gpointer /*user*/)
{
    trace("on_savetables_clicked\n");
}

void enterTablePage(GtkWidget */*notebook*/, MainCtx */*ctx*/)
{

}

void setTimeStep(MainCtx */*ctx*/, int /*minutes*/)
{

}

void writeTableFile(MainCtx */*ctx*/, int /*field*/)
{

}
