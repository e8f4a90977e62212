#include "handlers.h"
#include "ui.h"

// Placeholder bodies until this page is built.

void openFileCtx(MainCtx */*ctx*/)
{

}

void saveFileCtx(MainCtx */*ctx*/)
{

}

void loadPassPoints(MainCtx */*ctx*/)
{

}

void loadDatePos(MainCtx */*ctx*/)
{

}

void loadDateVal(MainCtx */*ctx*/)
{

}

void loadCurveColor(MainCtx */*ctx*/)
{

}

void loadTimeStep(MainCtx */*ctx*/)
{

}

void loadAddTemp(MainCtx */*ctx*/)
{

}

void loadAddHygro(MainCtx */*ctx*/)
{

}
