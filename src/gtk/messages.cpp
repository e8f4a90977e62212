#include "handlers.h"
#include "ui.h"

// Placeholder bodies until this page is built.

int verbose = 0;
void trace(const char */*text*/)
{

}

void logFunc(const gchar */*domain*/, GLogLevelFlags /*level*/, const gchar */*message*/, gpointer /*user*/)
{

}

void pumpEvents()
{

}

int askQuestion(MainCtx */*ctx*/, const char */*a*/, const char */*b*/, const char */*c*/)
{
    return 0;
}

void showWarning(MainCtx */*ctx*/, const char */*a*/, const char */*b*/, const char */*c*/, const char */*d*/)
{

}

void showError(MainCtx */*ctx*/, const char */*a*/, const char */*b*/, const char */*c*/, const char */*d*/)
{

}

void showMessageDialog(MainCtx */*ctx*/, const char */*text*/, int /*error*/)
{

}

void setStatus(MainCtx */*ctx*/, const char */*a*/, const char */*b*/, const char */*c*/)
{

}

void setProgress(MainCtx */*ctx*/, double /*fraction*/)
{

}

void progressCallback(void */*user*/, double /*fraction*/)
{

}
