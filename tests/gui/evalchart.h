#ifndef VELLORA_TEST_EVALCHART_H
#define VELLORA_TEST_EVALCHART_H

#include <cstring>
#include <string>
#include <vector>

#include "harness.h"
#include "scanfiles.h"
#include "ui.h"

// A scan whose fields map one scan pixel to one field image pixel: at 2 pixels
// per mm on both sides and a field gap of 11 mm, temperature field row r is
// scan column 40 + r, hygrometer field row r scan column 226 + r. Each field
// carries one straight ink line three pixels wide centred on one row, so every
// knot lies exactly on that row.

namespace evalchart {

const int kFieldWidth = 587;  // trunc(0.5 + 573 + 1.2 * s * 2), s = 5.712 mm
const int kFieldHeight = 164;
const int kArcShift = 11;     // columns of gap colour left of the lines
const int kTempRow = 82;      // +5.0 degrees
const int kHygroRow = 60;     // 30 mm below the hygrometer field's top row
const char *const kScanName = "chart.tif";
const int kEvaluationPage = 2;
const int kTablePage = 3;

inline void writeChartScan(const std::string &path, bool ink)
{
    GdkPixbuf *scan = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, 440, 660);
    gdk_pixbuf_fill(scan, 0xffffffff);
    for (int column : {40 + kTempRow, 226 + kHygroRow}) {
        GdkPixbuf *line = gdk_pixbuf_new_subpixbuf(scan, column - 1, 0, 3, 660);
        if (ink)
            gdk_pixbuf_fill(line, 0x9b84c0ff);  // the default curve colour
        g_object_unref(line);
    }
    EXPECT_TRUE(gdk_pixbuf_save(scan, path.c_str(), "tiff", nullptr, nullptr));
    g_object_unref(scan);
}

inline std::string entryText(GtkWidget *entry)
{
    return gtk_entry_get_text(GTK_ENTRY(entry));
}

inline bool toggleActive(GtkWidget *button)
{
    return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(button)) != 0;
}

// The status texts of recomputing the given fields once each, in order.
inline std::vector<std::string> recomputed(std::initializer_list<int> fields)
{
    std::vector<std::string> work;
    for (int f : fields) {
        work.push_back("contrast sub image " + std::to_string(f) + " ...");
        work.push_back("find curve in sub image " + std::to_string(f) + " ...");
    }
    return work;
}

class EvalTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (ctx && ctx->fileCtx.isModified())
            answerDialogs({AnswerNo});  // nothing here is meant to be saved
        stopApp(ctx);
    }

    // Starts with the chart's parameters and records the field work shown
    // in the status text.
    void start(const char *ini = "dstPixelsPerMM 2\nsrcFieldDistMM 11\n")
    {
        const std::string base = makeWorkDir();
        writeFile(appDirOf(base) + "/vellora.ini", ini);
        ctx = startApp(base);
        ASSERT_NE(ctx, nullptr);
        g_signal_connect(ctx->widProgressBar, "notify::text", G_CALLBACK(logStatus), &fieldWork);
    }

    static void logStatus(GObject *bar, GParamSpec *, gpointer log)
    {
        const gchar *text = gtk_progress_bar_get_text(GTK_PROGRESS_BAR(bar));
        if (text && strstr(text, "sub image"))
            static_cast<std::vector<std::string> *>(log)->push_back(text);
    }

    // Opens the chart with the BottomLeft-TopLeft span leftSpan (573 fits
    // the field) and the dates 2000-01-01 12:00 .. 2000-01-02 13:00.
    void openChart(bool ink = true, double leftSpan = 573.0)
    {
        const std::string path = appWorkDir() + "/" + kScanName;
        writeChartScan(path, ink);
        loadImage(ctx, path.c_str());
        runPending();
        ASSERT_NE(ctx->scanPixbuf, nullptr);
        setPassPoints(leftSpan);
        ctx->dateVal[0].setDateTime(2000, 1, 1, 12, 0);
        ctx->dateVal[1].setDateTime(2000, 1, 2, 13, 0);
    }

    void setPassPoints(double leftSpan)
    {
        ctx->passPoints[0] = PassPoint{1, 40.0, 620.0 - leftSpan};
        ctx->passPoints[1] = PassPoint{1, 40.0, 620.0};
        ctx->passPoints[2] = PassPoint{1, 390.0, 620.0};
        ctx->dirtyFlags |= PassPointsChanged;
    }

    void showPage(int page)
    {
        gtk_notebook_set_current_page(GTK_NOTEBOOK(ctx->widMainNoteBook), page);
        runPending();
    }

    // Leaves the evaluation page and enters it again.
    void reenterEvaluation()
    {
        showPage(1);
        showPage(kEvaluationPage);
    }

    void setToggle(GtkWidget *button, bool active)
    {
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(button), active);
        runPending();
    }

    MainCtx *ctx = nullptr;
    std::vector<std::string> fieldWork;
};

} // namespace evalchart

#endif
