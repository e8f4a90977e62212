// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_MAINCTX_H
#define VELLORA_MAINCTX_H

#include <string>
#include <vector>

#include <gtk/gtk.h>
#include <glade/glade.h>

#include "cutout.h"
#include "fieldeval.h"
#include "filectx.h"
#include "params.h"
#include "scansettings.h"
#include "verdict.h"

// Pending work in MainCtx::dirtyFlags.
enum { ImageChanged = 1, PassPointsChanged = 2, CurveChanged = 4 };

// The widgets of one chart field: its view and its statistics.
struct SubImgData {
    GtkWidget *widget;
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
    GtkWidget *widSelHygroColor;  // made in code beside widSelCurveColor
    GtkWidget *widCurveSmoothness;
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
    // What the user set for the current scan, and what it yields per field;
    // handlers change the one, the evaluation remakes the other.
    ScanSettings settings;
    FieldResult fields[2];
    SubImgData subImgData[2];
    int activePassPoint;
    Params *params;
    int showContrast, showCurve, showTable;
    int lastPointerX, lastPointerY;
    PangoFontDescription *fontSmall;
    PangoFontDescription *fontMedium;
    PangoFontDescription *fontLarge;
    // Zoom (widget pixels per image pixel) of the scan view and of both field
    // views, which share one so that their columns stay in line.
    double scanZoom;
    double fieldZoom;
    // The field drawn at image scale, for zoomed views to scale from.
    GdkPixmap *fieldPixmap[2];
    GtkWidget *widScrollTogether;
    GtkWidget *widOverview;
    GdkPixbuf *overviewImage[2];  // the fields shrunk for the overview, or null
    GtkWidget *widReadout;
    bool syncingScroll;
    int lastSetPassPoint;  // -1 before the first click of a scan
    guint pageEntryIdle;   // the pending entry of the current page, or 0
    std::string contextNote;  // where a read-only scan's file context is kept
    GtkWidget *widTableFolder;
    GtkWidget *widBesideScan;
    GtkWidget *widCsv;  // saving also writes both tables as CSV
    Params paramsRecord;  // what params points at
    std::string paramFile;         // the chart profile in use; empty: built-in values
    std::string paramFileMessage;  // where reading the parameter file stopped
    // The verdict on the evaluated fields and the stretches it finds suspect.
    GtkWidget *widVerdict;
    GtkWidget *widNextSuspect;
    std::vector<ColumnStretch> suspects[2];
    int suspectShown;  // index in column order over both fields, -1: none yet
    GtkWidget *widDateEntry[2];  // each mark's date and time, typed
    GtkWidget *widDetectCorners;
    // A date the program offers (the start: the previous chart's end; the
    // end: from the paper speed), shown as a proposal until confirmed.
    bool dateProposed[2];
    GtkWidget *widDateProposal[2];
    std::string openedFolder;  // the folder of the scan whose file context is open
    // The verdict on the evaluated fields and each field's evidence, kept
    // until a curve changes, so that showing and saving judge only once.
    ScanVerdict verdict;
    FieldEvidence evidence[2];
    bool evidenceCurrent[2];
    bool verdictCurrent;
};

// Size of a field's image; 0 before it is cut out.
inline int imageWidth(const FieldResult &field)
{
    return field.pixbuf ? gdk_pixbuf_get_width(field.pixbuf) : 0;
}

inline int imageHeight(const FieldResult &field)
{
    return field.pixbuf ? gdk_pixbuf_get_height(field.pixbuf) : 0;
}

// The MainCtx handed to a handler as its user data.
inline MainCtx *mainCtxOf(gpointer user)
{
    return static_cast<MainCtx *>(user);
}

#endif
