#include <cstdio>

#include <glib/gstdio.h>

#include "evalchart.h"
#include "synth_fixtures.h"

// The table page: entry, time step and writing the table files.

using namespace evalchart;

namespace {

using Dialogs = std::vector<std::string>;

class TablePageTest : public EvalTest {
protected:
    void enterTables(bool ink = true)
    {
        start();
        openChart(ink);
        showPage(kEvaluationPage);
        showPage(kTablePage);
        temp = appDir() + "/Thart.tif.txt";
        hygro = appDir() + "/Fhart.tif.txt";
    }

    void save()
    {
        gtk_button_clicked(GTK_BUTTON(uiWidget(ctx, "savetables")));
        runPending();
    }

    bool saved(int field) { return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(ctx->subImgData[field].wid_saved)); }

    std::string temp, hygro;
};

// Hourly rows of 2000-01-01 12:00 .. 2000-01-02 13:00, all of one value.
std::string hourlyTable(const char *value)
{
    std::string text;
    for (int h = 12; h <= 37; ++h) {
        char row[64];
        std::snprintf(row, sizeof row, "%02d.01.2000 %02d.00 %s\n", 1 + h / 24, h % 24, value);
        text += row;
    }
    return text;
}

TEST_F(TablePageTest, WithoutAnyTableTheErrorReturnsToTheEvaluationPage)
{
    answerDialogs({AnswerOk, AnswerOk, AnswerOk});
    enterTables(false);
    EXPECT_EQ(takeDialogs(), (Dialogs{"vellora error: missing curve", "vellora error: missing curve",
                                      "vellora error: missing tables"}));
    EXPECT_EQ(gtk_notebook_get_current_page(GTK_NOTEBOOK(ctx->widMainNoteBook)), kEvaluationPage);
}

// A scan prepared before needs no detour through the evaluation page.
TEST_F(TablePageTest, APreparedScanGoesStraightToItsTables)
{
    start("");
    const MadeChart made = makeChart(appDir(), quickChartOptions(4));
    ASSERT_EQ(made.result, SynthOk);
    chooseFile(ctx, made.scan);
    showPage(kTablePage);
    EXPECT_EQ(takeDialogs(), Dialogs{});
    EXPECT_EQ(gtk_notebook_get_current_page(GTK_NOTEBOOK(ctx->widMainNoteBook)), kTablePage);
    for (int f = SubImgTemp; f <= SubImgHygro; ++f)
        EXPECT_LT(tableError(made.chart, ctx->fields[f], f).rmse, f == SubImgTemp ? 0.3 : 1.5) << f;
}

TEST_F(TablePageTest, TheTimeStepRebuildsBothTablesAndIsStored)
{
    enterTables();
    EXPECT_EQ(gtk_notebook_get_current_page(GTK_NOTEBOOK(ctx->widMainNoteBook)), kTablePage);
    EXPECT_EQ(int(ctx->fields[SubImgTemp].rows.size()), 26);
    setToggle(ctx->widtimestep10, true);
    EXPECT_STREQ(record("TimeStep"), "10");
    for (const SubImgData &sub : ctx->subImgData)
        EXPECT_EQ(entryText(sub.wid_cnt), "151");
    setToggle(ctx->widtimestep60, true);
    EXPECT_STREQ(record("TimeStep"), "60");
    EXPECT_EQ(int(ctx->fields[SubImgHygro].rows.size()), 26);
}

TEST_F(TablePageTest, SaveWritesBothFilesAndAsksBeforeOverwritingEach)
{
    enterTables();
    save();
    EXPECT_EQ(takeDialogs(), Dialogs{});
    EXPECT_EQ(fileContents(temp), hourlyTable("  +5.0"));
    char humidity[G_ASCII_DTOSTR_BUF_SIZE];
    g_ascii_formatd(humidity, sizeof humidity, "%5.1f", HygroScale().toPercent(kHygroRow / 2.0));
    EXPECT_EQ(fileContents(hygro), hourlyTable(humidity));
    EXPECT_TRUE(saved(SubImgTemp) && saved(SubImgHygro));

    // No keeps one file; a folder in place of the other can never be replaced.
    makeFile(temp, "old");
    ASSERT_EQ(g_unlink(hygro.c_str()) | g_mkdir(hygro.c_str(), 0755), 0);
    answerDialogs({AnswerNo, AnswerOk, AnswerOk});
    save();
    EXPECT_EQ(takeDialogs(), (Dialogs{"vellora question: overwrite file" + temp + " ?",
                                      "vellora question: overwrite file" + hygro + " ?",
                                      "vellora error: could not write file " + hygro}));
    EXPECT_EQ(fileContents(temp), "old");
    EXPECT_FALSE(saved(SubImgHygro));
}

} // namespace
