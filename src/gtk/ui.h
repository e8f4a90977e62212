#ifndef VELLORA_UI_H
#define VELLORA_UI_H

#include "mainctx.h"

// messages.cpp: all feedback to the user.
extern int verbose;
void trace(const char *text);
void logFunc(const gchar *domain, GLogLevelFlags level, const gchar *message, gpointer user);
void pumpEvents();
int askQuestion(MainCtx *ctx, const char *a, const char *b = nullptr, const char *c = nullptr);
void showWarning(MainCtx *ctx, const char *a, const char *b = nullptr, const char *c = nullptr,
                 const char *d = nullptr);
void showError(MainCtx *ctx, const char *a, const char *b = nullptr, const char *c = nullptr,
               const char *d = nullptr);
void showMessageDialog(MainCtx *ctx, const char *text, int error);
void setStatus(MainCtx *ctx, const char *a, const char *b = nullptr, const char *c = nullptr);
void setProgress(MainCtx *ctx, double fraction);
// A field index as the status texts show it ("%d").
struct FieldText {
    char text[16];
    explicit FieldText(int field);
};
// ProgressFn adapter for core loops; user is the MainCtx.
void progressCallback(void *user, double fraction);

// app.cpp: start-up and ending.
void initMainCtx(MainCtx *ctx);
// Loads the UI definition, looks up the widgets, sets up the chooser and
// connects the handlers. 0, or -1 when the UI definition cannot be loaded.
int startMainWindow(MainCtx *ctx, const char *gladePath);
void cleanUp(MainCtx *ctx);
void destroyMainCtx(MainCtx *ctx);
int velloraMain(int argc, char **argv);

// filectxui.cpp: a scan's file context and its records.
// refColor follows curveColor.
void updateRefColor(MainCtx *ctx);
void openFileCtx(MainCtx *ctx);
void saveFileCtx(MainCtx *ctx);
void loadPassPoints(MainCtx *ctx);
void loadDatePos(MainCtx *ctx);
void loadDateVal(MainCtx *ctx);
void loadCurveColor(MainCtx *ctx);
// The colour button shows curveColor (each component times 256).
void showCurveColor(MainCtx *ctx);
void loadTimeStep(MainCtx *ctx);
void loadAddTemp(MainCtx *ctx);
void loadAddHygro(MainCtx *ctx);

// pages.cpp: pages, the file chooser and opening a scan.
enum { ChooserPage = 0, PassPointPage = 1, EvaluationPage = 2, TablePage = 3 };
void setupFileChooser(MainCtx *ctx);
void updatePreview(GtkFileChooser *chooser, gpointer preview);
void loadImage(MainCtx *ctx, const char *path);
// Releases field images, span arrays, per-column arrays and curves.
void releaseFields(MainCtx *ctx);
void setWidgetCursor(GtkWidget *widget, GdkCursor *cursor);
// Invalidates the widget's whole window, when it has one.
void redrawWidget(GtkWidget *widget);

// scanview.cpp: pass points.
void storePassPoint(MainCtx *ctx, int i);
void nudgePassPoints(MainCtx *ctx, double dx, double dy);

// evaluation.cpp: cut-out and recomputation.
void cutOutSubImages(GtkWidget *notebook, MainCtx *ctx);
void sizeViewToImage(GtkWidget *widget, GdkPixbuf *image);
void contrastSubImage(MainCtx *ctx, int field);
void findCurveKnots(MainCtx *ctx, int field);
int computeTable(MainCtx *ctx, int field);
void recomputeChain(MainCtx *ctx, int flags, int which);
void loadLimits(MainCtx *ctx);
void loadDrawMarks(MainCtx *ctx);
void clearDrawMarks(MainCtx *ctx, int field);
void storeLimits(MainCtx *ctx, int field);
void storeLimitColumn(MainCtx *ctx, int field, int x);

// tablepage.cpp: the table page.
void enterTablePage(GtkWidget *notebook, MainCtx *ctx);
void setTimeStep(MainCtx *ctx, int minutes);
// The time step radio buttons follow timeStep.
void showTimeStep(MainCtx *ctx);
void writeTableFile(MainCtx *ctx, int field);

// fieldview.cpp: drawing the field views.
void drawFieldView(GtkWidget *widget, GdkEventExpose *event, MainCtx *ctx, int field);
// Foreground colour and line attributes (not-last caps, mitre joins) of a GC.
void setGCLine(GdkGC *gc, const GdkColor &color, int width, GdkLineStyle style);
// Text in the GC's colour at (x, y); turned: rotated by 90 degrees first.
void drawLabel(GtkWidget *widget, GdkGC *gc, const PangoFontDescription *font, double x, double y,
               bool turned, const char *text);
double temperatureToMM(MainCtx *ctx, double temperature);
void drawAxisLabel(MainCtx *ctx, GtkWidget *widget, GdkGC *gc, int x, int y, const char *text);
void drawRowLabel(MainCtx *ctx, GtkWidget *widget, GdkGC *gc, int x, int y, const char *text);

// marks.cpp: mouse modes, marks and retouch.
// MainCtx::markMode; KeepMode only refreshes the cursor of the current mode.
enum MarkMode { StartMark = 0, EndMark = 1, RetouchVertical = 2, DrawCurve = 3, KeepMode = 4 };
void setMarkMode(GtkWidget *widget, MainCtx *ctx, int mode);
void pressFieldView(GtkWidget *view, GdkEventButton *event, MainCtx *ctx, int field);
void moveInFieldView(GtkWidget *view, GdkEventMotion *event, MainCtx *ctx, int field);
void releaseFieldView(GtkWidget *view, GdkEventButton *event, MainCtx *ctx, int field);
void retouchLimit(GtkWidget *view, MainCtx *ctx, int field, int x, int y, int edge, int clear);
void storeDatePos(MainCtx *ctx, int i);
void storeDrawColumn(MainCtx *ctx, int field, int column);
void storeDrawMarks(MainCtx *ctx, int field);

// controls.cpp: dates, colour, offsets and display toggles.
void showMarkDate(MainCtx *ctx, int i);
void showDateDifference(MainCtx *ctx);
void storeDateVal(MainCtx *ctx, int i);
void storeCurveColor(MainCtx *ctx);
void storeAddTemp(MainCtx *ctx);
void storeAddHygro(MainCtx *ctx);
// A field's value offset; the hygrometer scale carries its own copy.
void setOffset(MainCtx *ctx, int field, double v);

#endif
