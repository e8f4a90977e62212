// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_UI_H
#define VELLORA_UI_H

#include <string>

#include "mainctx.h"

// messages.cpp: all feedback to the user.
extern int verbose;
void trace(const char *text);
void logFunc(const gchar *domain, GLogLevelFlags level, const gchar *message, gpointer user);
void pumpEvents();
// A question whose buttons name what they do; Enter gives yes. detail, when
// given, says more under the question.
bool askChoice(MainCtx *ctx, const std::string &question, const char *yes, const char *no,
               const std::string &detail = "");
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
// paramFile: the chart profile to read instead of the one looked up.
void initMainCtx(MainCtx *ctx, const char *paramFile = nullptr);
// Loads the UI definition, looks up the widgets, sets up the chooser and
// connects the handlers. 0, or -1 when the UI definition cannot be loaded.
int startMainWindow(MainCtx *ctx, const char *gladePath);
void cleanUp(MainCtx *ctx);
void destroyMainCtx(MainCtx *ctx);
int velloraMain(int argc, char **argv);

// filectxui.cpp: a scan's file context and its settings.
// Reads the scan's settings (records over the start values) and shows them.
void openFileCtx(MainCtx *ctx);
// Offers to save a changed file context; when it cannot be written, offers
// another folder. Either way nothing is left to ask about afterwards.
void saveFileCtx(MainCtx *ctx);
std::string folderOf(const std::string &path);
std::string baseName(const std::string &path);
// Whether files can be made in the folder. Tests replace it to see a
// read-only share as the root user, who may write anywhere.
extern bool (*folderWritable)(const std::string &folder);
// Where the file context of a scan in a read-only folder is kept: the table
// folder when it can be written, else vellora/contexts in the user's data folder.
std::string keptContextFolder(MainCtx *ctx);
// A folder from a folder chooser; false when the user cancels.
bool chooseFolder(MainCtx *ctx, const char *title, std::string &folder);
// The colour buttons show both pens' ink colours.
void showCurveColor(MainCtx *ctx);
// An ink colour of 0-255 components as GDK's (each component times 256).
GdkColor gdkColorOf(const int rgb[3]);

// hygroink.cpp: the hygrometer pen's own ink colour.
void addHygroInkControls(MainCtx *ctx);
void showHygroInkColor(MainCtx *ctx);
// A new pass point voids the offsets, windows and drawn rows.
void forgetGeometrySettings(MainCtx *ctx);
const char *offsetKey(int field);  // "AddTemp", "AddHygro"

// pages.cpp: pages, the file chooser and opening a scan.
enum { ChooserPage = 0, PassPointPage = 1, EvaluationPage = 2, TablePage = 3 };
void setupFileChooser(MainCtx *ctx);
// What the "Chart scans" filter shows: tif, tiff, jpg, jpeg, bmp, png in any case.
bool isChartScanName(const char *name);
// Enter in the chooser's location field: a typed folder is entered, a typed
// file opened. False when the focus is not there (GTK goes on with the key).
bool openTypedPath(MainCtx *ctx, GtkWidget *focus);
// Opens a scan as the chooser does.
void openScan(MainCtx *ctx, const char *path);
void updatePreview(GtkFileChooser *chooser, gpointer preview);
void loadImage(MainCtx *ctx, const char *path);
// "SCAN    vellora, CONTACT — profile NAME".
void showWindowTitle(MainCtx *ctx);
// Releases the field results.
void releaseFields(MainCtx *ctx);
void setWidgetCursor(GtkWidget *widget, GdkCursor *cursor);
// Back to a page after its successor refused to be entered.
void returnToPage(GtkWidget *notebook, int page);
// Invalidates the widget's whole window, when it has one.
void redrawWidget(GtkWidget *widget);

// scanview.cpp: pass points.
void storePassPoint(MainCtx *ctx, int i);
void nudgePassPoints(MainCtx *ctx, double dx, double dy);
// The arrow keys move only the point the radio buttons select.
void nudgeSelectedPassPoint(MainCtx *ctx, double dx, double dy);
// Sets point i at a scan position, as a click does, and selects the next
// point not yet set.
void placePassPoint(MainCtx *ctx, int i, double x, double y);
// Detected points in place of the three; the first one not set is selected
// for a click to set it.
void proposePassPoints(MainCtx *ctx, const PassPoint found[3]);
// Empty when the pass points form the chart's frame, else what is wrong,
// naming the point to check.
std::string passPointFrameProblem(const Params &params, const PassPoint points[3], int lastSet);

// evaluation.cpp: cut-out and recomputation.
// Entering the evaluation page: display toggles off, fields prepared.
void cutOutSubImages(GtkWidget *notebook, MainCtx *ctx);
// Cuts the fields out when the scan or its pass points changed since. False
// when the pass points were refused (the user was told why).
bool prepareFields(MainCtx *ctx);
bool fieldsCutOut(const MainCtx *ctx);
// A view's size: the image at the view's zoom.
void sizeViewToImage(GtkWidget *widget, GdkPixbuf *image, double scale);
// Adds the flags; with CurveChanged raised and a display toggle on,
// re-evaluates the fields (0, 1 or 2 for both); redraws their views.
void recomputeChain(MainCtx *ctx, int flags, int which);
void storeWindows(MainCtx *ctx, int field);
// The smoothness control shows the scan's value.
void showSmoothness(MainCtx *ctx);

// tablepage.cpp: the table page.
void enterTablePage(GtkWidget *notebook, MainCtx *ctx);
void setTimeStep(MainCtx *ctx, int minutes);
// The time step radio buttons follow timeStep.
void showTimeStep(MainCtx *ctx);
void saveTableFile(MainCtx *ctx, int field);
// The settings store's key of the chosen table folder (none: beside the scan).
extern const char kTableFolderKey[];
// The folder the tables are written to.
std::string tableFolder(MainCtx *ctx);
// The table page's folder controls, made at start-up.
void setupTableFolder(MainCtx *ctx);

// fieldview.cpp: drawing the field views.
void drawFieldView(GtkWidget *widget, GdkEventExpose *event, MainCtx *ctx, int field);
// Draws the area (image pixels) of a field with its overlays at image scale.
void drawFieldArea(GdkDrawable *d, MainCtx *ctx, int field, const GdkRectangle &area);
// Foreground colour and line attributes (not-last caps, mitre joins) of a GC.
void setGCLine(GdkGC *gc, const GdkColor &color, int width, GdkLineStyle style);
// Text in the GC's colour at (x, y); turned: rotated by 90 degrees first.
void drawLabel(GdkDrawable *d, GdkGC *gc, const PangoFontDescription *font, double x, double y,
               bool turned, const char *text);
void drawAxisLabel(MainCtx *ctx, GdkDrawable *d, GdkGC *gc, int x, int y, const char *text);
void drawRowLabel(MainCtx *ctx, GdkDrawable *d, GdkGC *gc, int x, int y, const char *text);

// marks.cpp: mouse modes, marks and retouch.
// MainCtx::markMode; KeepMode only refreshes the cursor of the current mode.
enum MarkMode { StartMark = 0, EndMark = 1, RetouchVertical = 2, DrawCurve = 3, KeepMode = 4 };
void setMarkMode(GtkWidget *widget, MainCtx *ctx, int mode);
void pressFieldView(GtkWidget *view, GdkEventButton *event, MainCtx *ctx, int field);
void moveInFieldView(GtkWidget *view, GdkEventMotion *event, MainCtx *ctx, int field);
void releaseFieldView(GtkWidget *view, GdkEventButton *event, MainCtx *ctx, int field);
void retouchLimit(GtkWidget *view, MainCtx *ctx, int field, int x, int y, int edge, int clear);

// controls.cpp: dates, colour, offsets and display toggles.
// The calendar and the time show mark i's date.
void showMarkDate(MainCtx *ctx, int i);
// The mark whose date the calendar and the time edit, or -1 outside the date modes.
int editedMark(const MainCtx *ctx);
// Mark i's date shown becomes its record; a proposal of it is confirmed.
void confirmMarkDate(MainCtx *ctx, int i);
// After a date control set mark i's date: confirmed, the end proposed anew
// after the start, shown, and the tables recomputed.
void markDateChanged(MainCtx *ctx, int i);
void showDateDifference(MainCtx *ctx);
// Both marks placed by the user, not only the field's edges standing in.
bool marksPlaced(const MainCtx *ctx);

// markdates.cpp: the marks' dates typed, proposed and carried to the next chart.
// The typed date-time entries of both marks, made at start-up above the calendar.
void addDateEntries(MainCtx *ctx);
// The entries show the marks' dates.
void showTypedDates(MainCtx *ctx);
// Whether mark i's date is only proposed, for a date control to confirm.
void showDateProposal(MainCtx *ctx, int i, bool proposed);
// Whether the end date, not stored, follows the start at the paper speed.
bool endDateProposable(const MainCtx *ctx);
// Without a stored end date, the start plus the marks' span at the paper
// speed becomes the proposed end. False when there is none to propose.
bool proposeEndDate(MainCtx *ctx);
// The stored end date of the scan being left, with its folder, for the next
// chart of that folder, in this run or a later one.
void rememberChartEnd(MainCtx *ctx);
// A new scan without a start date in the folder of the remembered end is
// offered that end as its start.
void offerPreviousEnd(MainCtx *ctx);

// zoom.cpp: zoom of the scan view and of the two field views.
enum ZoomView { ScanZoom = 0, FieldZoom = 1 };
void setupZoom(MainCtx *ctx);
// The scroll adjustment of a view inside its viewport.
GtkAdjustment *viewAdjustment(GtkWidget *area, bool horizontal);
// "Fit" and "1:1" buttons of the current page's views; prefix names them,
// views says which in their accessible names.
GtkWidget *makeZoomButtons(MainCtx *ctx, const char *prefix, const char *views);
// The view's new scale, keeping the image point at (x, y) of anchorView in
// place (the middle of what is shown when outside it).
void setZoom(MainCtx *ctx, int view, double scale, GtkWidget *anchorView, double x, double y);
// Scan view: the whole scan; field views: the whole time axis.
void fitView(MainCtx *ctx, int view);
void setZoomStatus(MainCtx *ctx, double scale);
// How a view scales its image: zoomed in, pixels stay sharp squares, so that
// a column can be told from its neighbour; zoomed out, they are averaged.
GdkInterpType zoomInterpolation(double scale);

// overview.cpp: the overview of both fields and the scroll link.
GtkWidget *makeOverview(MainCtx *ctx);
// After a cut-out: the overview's size and images follow the new fields.
void sizeOverview(MainCtx *ctx);
void forgetOverview(MainCtx *ctx);
// Scrolls the field's view so that the column is in the middle; the other
// view follows when the views scroll together and is centred alike when not.
void centreFieldViews(MainCtx *ctx, double column, int field);

// verdictui.cpp: the verdict on the evaluated fields and its suspect stretches.
// The verdict's text and the "Next suspect" button, second in the box.
void addVerdictPanel(MainCtx *ctx, GtkWidget *box);
// Judges the evaluated fields, shows the verdict and marks the suspect
// stretches; a field's evidence is gathered again only after its curve changed.
void judgeShownFields(MainCtx *ctx);
// The verdict on the fields as they are, judged only when it is not current.
const ScanVerdict &currentVerdict(MainCtx *ctx);
// The field was evaluated anew: its evidence and the verdict no longer hold.
void fieldCurveChanged(MainCtx *ctx, int field);
// No verdict while the fields are not evaluated.
void forgetVerdict(MainCtx *ctx);
// The suspect stretches as a band along the bottom of a field's image.
void drawSuspectBands(GdkDrawable *d, GdkGC *gc, const MainCtx *ctx, int field,
                      const GdkRectangle &area);

// autosetupui.cpp: set-up proposed from the scan itself.
// The "Detect corners" button, second in the pass point page's panel.
void addDetectButton(MainCtx *ctx, GtkWidget *panel);
// Without placed marks, the trace's ends found on the fields become the marks.
void proposeMarks(MainCtx *ctx);

// viewtools.cpp: view controls made at start-up and the pointer readout.
void setupViewTools(MainCtx *ctx);
// The name screen readers give the widget.
void setAccessibleName(GtkWidget *widget, const char *name);
void showReadout(MainCtx *ctx, const char *text);
std::string scanReadout(double x, double y);
// "column C  dd.mm.yyyy hh.mm  value unit": the time once both marks are placed.
std::string fieldReadout(const MainCtx *ctx, int field, double column, double row);
void readScanPointer(MainCtx *ctx, double widgetX, double widgetY);
void readFieldPointer(MainCtx *ctx, int field, double widgetX, double widgetY);

#endif
