// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_TEST_EVALCHART_H
#define VELLORA_TEST_EVALCHART_H

#include <cstdio>
#include <string>
#include <vector>

#include "coretest.h"
#include "harness.h"
#include "ui.h"

// A scan whose fields map one scan pixel to one field pixel (2 pixels per mm,
// fields 11 mm apart): temperature row r is scan column 40 + r, hygrometer
// row r column 226 + r. Each field has one straight ink line three pixels wide
// centred on one row, so every knot lies exactly on that row.

namespace evalchart {

const int kFieldWidth = 587;  // trunc(0.5 + 573 + 1.2 * s * 2), s = 5.712 mm
const int kFieldHeight = 164;
const int kTempRow = 82;      // +5.0 degrees
const int kHygroRow = 60;     // 30 mm below the hygrometer field's top row
const char *const kChartIni = "dstPixelsPerMM 2\nsrcFieldDistMM 11\n";

inline std::string entryText(GtkWidget *entry) { return gtk_entry_get_text(GTK_ENTRY(entry)); }

using Fields = std::vector<int>;

class EvalTest : public AppTest {
protected:
    void SetUp() override {}  // each test starts with the parameters it needs

    // Starts with these parameters and records the fields fitted, as the status shows them.
    void start(const std::string &ini = kChartIni, const std::string &settings = "")
    {
        ASSERT_NO_FATAL_FAILURE(AppTest::start(ini, settings));
        g_signal_connect(ctx->widProgressBar, "notify::text", G_CALLBACK(+[](GObject *bar, GParamSpec *, gpointer log) {
            const gchar *text = gtk_progress_bar_get_text(GTK_PROGRESS_BAR(bar));
            int field = -1;
            if (text && std::sscanf(text, "find curve in sub image %d", &field) == 1)
                static_cast<Fields *>(log)->push_back(field);
        }), &fieldWork);
    }

    // Opens the chart, its pass points set, dated 2000-01-01 12:00 .. 01-02 13:00.
    void openChart(bool ink = true)
    {
        GdkPixbuf *scan = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, 440, 660);
        gdk_pixbuf_fill(scan, 0xffffffff);
        for (int column : {40 + kTempRow, 226 + kHygroRow}) {
            GdkPixbuf *line = gdk_pixbuf_new_subpixbuf(scan, column - 1, 0, 3, 660);
            gdk_pixbuf_fill(line, ink ? 0x9b84c0ff : 0xffffffff);  // the default curve colour
            g_object_unref(line);
        }
        const std::string path = appDir() + "/chart.tif";
        EXPECT_TRUE(gdk_pixbuf_save(scan, path.c_str(), "tiff", nullptr, nullptr));
        g_object_unref(scan);
        loadImage(ctx, path.c_str());
        ASSERT_NE(ctx->scanPixbuf, nullptr);
        setPassPoints();
        ctx->settings.dateVal[0].setDateTime(2000, 1, 1, 12, 0);
        ctx->settings.dateVal[1].setDateTime(2000, 1, 2, 13, 0);
    }

    void setPassPoints()
    {
        ctx->settings.passPoints[0] = PassPoint{1, 40.0, 620.0 - 573.0};
        ctx->settings.passPoints[1] = PassPoint{1, 40.0, 620.0};
        ctx->settings.passPoints[2] = PassPoint{1, 390.0, 620.0};
        ctx->dirtyFlags |= PassPointsChanged;
    }

    // The evaluation page with the chart cut out and, with a curve, fitted.
    void evaluate(bool curve)
    {
        ASSERT_NO_FATAL_FAILURE(start());
        openChart();
        showPage(EvaluationPage);
        if (curve)
            setToggle(ctx->widShowCurve, true);
        fieldWork.clear();
    }

    void showPage(int page) { ::showPage(ctx, page); }
    GtkWidget *view(int field) { return ctx->subImgData[field].widget; }

    void reenterEvaluation()
    {
        showPage(PassPointPage);
        showPage(EvaluationPage);
    }

    const char *record(const std::string &key) { return ctx->fileCtx.get(key.c_str()); }
    void placeBothMarks()  // where they are
    {
        for (int i = 0; i < 2; ++i)
            storeDatePosRecord(ctx->fileCtx, i, ctx->settings.datePos[i]);
    }

    Fields fieldWork;
};

} // namespace evalchart

#endif
