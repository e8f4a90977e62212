#include <cstdio>

#include <glib/gstdio.h>

#include "evalchart.h"

// The table page: entry, time step and writing the table files.

using namespace evalchart;

namespace {

class TablePageTest : public EvalTest {
protected:
    void enterTables(bool ink = true)
    {
        start();
        openChart(ink);
        showPage(kEvaluationPage);
        showPage(kTablePage);
        temp = appWorkDir() + "/Thart.tif.txt";
        hygro = appWorkDir() + "/Fhart.tif.txt";
    }

    void save()
    {
        gtk_button_clicked(GTK_BUTTON(uiWidget(ctx, "savetables")));
        runPending();
    }

    // Hourly rows of 2000-01-01 12:00 .. 2000-01-02 13:00, all of one value.
    static std::string hourlyTable(const std::string &value)
    {
        std::string text;
        for (int h = 12; h <= 37; ++h) {
            char date[32];
            std::snprintf(date, sizeof date, "%02d.01.2000 %02d.00 ", 1 + h / 24, h % 24);
            text += date + value + "\n";
        }
        return text;
    }

    static std::string humidityTable()
    {
        char label[G_ASCII_DTOSTR_BUF_SIZE];
        HygroScale scale;
        return hourlyTable(g_ascii_formatd(label, sizeof label, "%5.1f",
                                           scale.toPercent(kHygroRow / 2.0)));
    }

    bool saved(int field) { return toggleActive(ctx->subImgData[field].wid_saved); }

    std::string temp, hygro;
};

TEST_F(TablePageTest, WithoutAnyTableTheErrorReturnsToTheEvaluationPage)
{
    answerDialogs({AnswerOk, AnswerOk, AnswerOk});
    enterTables(false);
    std::vector<DialogRecord> dialogs = takeDialogs();
    ASSERT_EQ(dialogs.size(), 3u);
    EXPECT_EQ(dialogs[0].text + dialogs[1].text + dialogs[2].text,
              "missing curve" "missing curve" "missing tables");
    EXPECT_EQ(gtk_notebook_get_current_page(GTK_NOTEBOOK(ctx->widMainNoteBook)),
              kEvaluationPage);
}

TEST_F(TablePageTest, EntryBuildsBothTablesAndTheTimeStepRebuildsAndStoresIt)
{
    enterTables();
    EXPECT_EQ(gtk_notebook_get_current_page(GTK_NOTEBOOK(ctx->widMainNoteBook)), kTablePage);
    EXPECT_TRUE(takeDialogs().empty());
    EXPECT_EQ(statusText(ctx), "check and write or overwrite tables");
    EXPECT_TRUE(toggleActive(ctx->widShowTable) && toggleActive(ctx->widtimestep60));
    EXPECT_EQ(ctx->subImgData[SubImgTemp].tableCount, 26);

    setToggle(ctx->widtimestep10, true);
    EXPECT_EQ(ctx->timeStep, 10);
    EXPECT_STREQ(ctx->fileCtx.get("TimeStep"), "10");
    for (const SubImgData &sub : ctx->subImgData)
        EXPECT_EQ(entryText(sub.wid_cnt), "151");
    EXPECT_EQ(ctx->subImgData[SubImgTemp].table[1].minute, 10);

    setToggle(ctx->widtimestep60, true);
    EXPECT_EQ(ctx->subImgData[SubImgHygro].tableCount, 26);
    EXPECT_STREQ(ctx->fileCtx.get("TimeStep"), "60");
}

TEST_F(TablePageTest, SaveWritesBothFilesAndAsksBeforeOverwritingEach)
{
    enterTables();
    save();
    EXPECT_TRUE(takeDialogs().empty());
    EXPECT_EQ(readFile(temp), hourlyTable("  +5.0"));
    EXPECT_EQ(readFile(hygro), humidityTable());
    EXPECT_TRUE(saved(SubImgTemp) && saved(SubImgHygro));
    EXPECT_EQ(entryText(ctx->subImgData[SubImgHygro].wid_filename), hygro);

    for (const SubImgData &sub : ctx->subImgData) {
        writeFile(entryText(sub.wid_filename), "old");
        setToggle(sub.wid_saved, false);
    }
    answerDialogs({AnswerNo, AnswerOk});
    save();
    std::vector<DialogRecord> dialogs = takeDialogs();
    ASSERT_EQ(dialogs.size(), 2u);
    EXPECT_EQ(dialogs[0].title, "vellora question");
    EXPECT_EQ(dialogs[0].text, "overwrite file" + temp + " ?");
    EXPECT_EQ(dialogs[1].text, "overwrite file" + hygro + " ?");
    EXPECT_EQ(readFile(temp), "old");
    EXPECT_FALSE(saved(SubImgTemp));
    EXPECT_EQ(readFile(hygro), humidityTable());
    EXPECT_TRUE(saved(SubImgHygro));
}

TEST_F(TablePageTest, UnwritableFileIsReportedAndNotMarkedSaved)
{
    enterTables();
    // A folder of that name exists but can never be replaced by a file.
    ASSERT_EQ(g_mkdir(temp.c_str(), 0755), 0);
    answerDialogs({AnswerOk, AnswerOk});
    save();
    std::vector<DialogRecord> dialogs = takeDialogs();
    ASSERT_EQ(dialogs.size(), 2u);
    EXPECT_EQ(dialogs[0].text, "overwrite file" + temp + " ?");
    EXPECT_EQ(dialogs[1].title, "vellora error");
    EXPECT_EQ(dialogs[1].text, "could not write file " + temp);
    EXPECT_FALSE(saved(SubImgTemp));
    EXPECT_EQ(readFile(hygro), humidityTable());
    EXPECT_TRUE(saved(SubImgHygro));
}

} // namespace
