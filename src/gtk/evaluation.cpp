#include "handlers.h"
#include "ui.h"

// Placeholder bodies until this page is built.

void on_curvesmoothness_value_changed(GtkRange */*range*/, gpointer /*user*/)
{
    trace("on_curvesmoothness_value_changed\n");
}

void cutOutSubImages(GtkWidget */*notebook*/, MainCtx */*ctx*/)
{

}

void sizeViewToImage(GtkWidget */*widget*/, GdkPixbuf */*image*/)
{

}

void contrastSubImage(MainCtx */*ctx*/, int /*field*/)
{

}

void findCurveKnots(MainCtx */*ctx*/, int /*field*/)
{

}

int computeTable(MainCtx */*ctx*/, int /*field*/)
{
    return 0;
}

void recomputeChain(MainCtx */*ctx*/, int /*flags*/, int /*which*/)
{

}

double temperatureOf(MainCtx */*ctx*/, double /*r*/)
{
    return 0.0;
}

void loadLimits(MainCtx */*ctx*/)
{

}

void loadDrawMarks(MainCtx */*ctx*/)
{

}

void clearDrawMarks(MainCtx */*ctx*/, int /*field*/)
{

}

void storeLimits(MainCtx */*ctx*/, int /*field*/)
{

}

void storeLimitColumn(MainCtx */*ctx*/, int /*field*/, int /*x*/)
{

}
