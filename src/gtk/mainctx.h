#ifndef VELLORA_MAINCTX_H
#define VELLORA_MAINCTX_H

#include <string>

#include <gtk/gtk.h>
#include <glade/glade.h>

#include "cutout.h"
#include "datetime.h"
#include "filectx.h"
#include "params.h"
#include "pixel.h"
#include "records.h"
#include "spanarray.h"
#include "splinecurve.h"
#include "table.h"

// Pending work in MainCtx::dirtyFlags.
enum { ImageChanged = 1, PassPointsChanged = 2, CurveChanged = 4 };

// One chart field: its view, cut-out image, per-column arrays and results.
struct SubImgData {
    double addValue;
    GtkWidget *widget;
    GdkPixbuf *pixbuf;
    SpanArray *contrastSpan;
    SpanArray *limitSpan;
    int knotCount;
    int *knotPos;
    double *knotVal;
    int *drawPos;
    SplineCurve *curve;
    int fitStatus;
    int tableCount;
    TableRow table[kMaxTableRows];
    GtkWidget *wid_knotnumperc;
    GtkWidget *wid_min;
    GtkWidget *wid_max;
    GtkWidget *wid_mean;
    GtkWidget *wid_cnt;
    GtkWidget *wid_filename;
    GtkWidget *wid_saved;
};

// The one main context, passed to every handler.
struct MainCtx {
    int busy;
    int dirtyFlags;
    FileCtx settingsCtx;
    FileCtx fileCtx;
    GladeXML *gladeXml;
    GtkWidget *widMainWindow;
    GtkWidget *widMainNoteBook;
    GtkWidget *widProgressBar;
    GtkWidget *widCalendar;
    GtkWidget *widDateAndTimeFrame;
    GtkWidget *widHour;
    GtkWidget *widMinute;
    GtkWidget *widDiffDay;
    GtkWidget *widDiffHour;
    GtkWidget *widDiffMinute;
    GtkWidget *widSelCurveColor;
    GtkWidget *widImgScan;
    GtkWidget *widShowContrast;
    GtkWidget *widShowCurve;
    GtkWidget *widShowTable;
    GtkWidget *widAddTemp;
    GtkWidget *widAddHygro;
    GtkWidget *widtimestep10;
    GtkWidget *widtimestep60;
    GdkCursor *cursorLeftPtr;
    GdkCursor *cursorCross;
    GdkCursor *cursorLeftSide;
    GdkCursor *cursorRightSide;
    GdkCursor *cursorDoubleArrow;
    GdkCursor *cursorBottomSide;
    GdkCursor *cursorTopSide;
    GdkCursor *cursorPencil;
    GdkCursor *cursorPirate;
    int markMode;
    // The whole path of the current scan: a cut path would name another
    // scan's file context and table files.
    std::string imageName;
    GdkPixbuf *scanPixbuf;
    SubImgData subImgData[2];
    PassPoint passPoints[3];
    int activePassPoint;
    Params *params;
    int datePos[2];
    DateTime dateVal[2];
    int curveColor[3];
    int showContrast, showCurve, showTable;
    int lastPointerX, lastPointerY;
    RefColor refColor;
    double smoothness;
    HygroScale hygroScale;
    PangoFontDescription *fontSmall;
    PangoFontDescription *fontMedium;
    PangoFontDescription *fontLarge;
    int timeStep;
    Params paramsRecord;  // what params points at
};

// Size of a field's image; 0 before it is cut out.
inline int imageWidth(const SubImgData &sub)
{
    return sub.pixbuf ? gdk_pixbuf_get_width(sub.pixbuf) : 0;
}

inline int imageHeight(const SubImgData &sub)
{
    return sub.pixbuf ? gdk_pixbuf_get_height(sub.pixbuf) : 0;
}

// The MainCtx handed to a handler as its user data.
inline MainCtx *mainCtxOf(gpointer user)
{
    return static_cast<MainCtx *>(user);
}

#endif
