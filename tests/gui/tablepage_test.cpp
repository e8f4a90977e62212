// SPDX-License-Identifier: GPL-3.0-or-later
#include <glib/gstdio.h>

#include "evalchart.h"
#include "tablefile.h"

// The table page: entry, time step and writing the table files.

using namespace evalchart;

namespace {

class TablePageTest : public EvalTest {
protected:
    void enterTables(bool ink = true)
    {
        start();
        openChart(ink);
        showPage(EvaluationPage);
        showPage(TablePage);
    }

    void save() { clickButton(ctx, "savetables"); }
    bool saved(int field) { return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(ctx->subImgData[field].wid_saved)); }
};

TEST_F(TablePageTest, WithoutAnyTableTheErrorReturnsToTheEvaluationPage)
{
    answerDialogs({AnswerOk, AnswerOk, AnswerOk});
    enterTables(false);
    EXPECT_EQ(takeDialogs(), (Dialogs{"vellora error: missing curve", "vellora error: missing curve",
                                      "vellora error: missing tables"}));
    EXPECT_EQ(currentPage(ctx), EvaluationPage);
}

// The time step rebuilds both tables and is stored; saving writes both files
// and asks before overwriting each.
TEST_F(TablePageTest, TheTimeStepRebuildsTheTablesSavingAsksBeforeOverwritingEachFile)
{
    enterTables();
    const std::string temp = appDir() + "/Thart.tif.txt", hygro = appDir() + "/Fhart.tif.txt";
    EXPECT_EQ(currentPage(ctx), TablePage);
    setToggle(ctx->widtimestep10, true);  // stored: the workflow test's saved context
    for (const SubImgData &sub : ctx->subImgData)
        EXPECT_EQ(entryText(sub.wid_cnt), "151");
    setToggle(ctx->widtimestep60, true);
    EXPECT_STREQ(record("TimeStep"), "60");
    EXPECT_EQ(int(ctx->fields[SubImgHygro].rows.size()), 26);

    save();
    EXPECT_EQ(takeDialogs(), Dialogs{});
    // What the files hold is the workflow test's comparison with the batch's.
    EXPECT_EQ(std::make_pair(saved(SubImgTemp), saved(SubImgHygro)), std::make_pair(true, true));

    // No keeps one file; a folder in place of the other can never be replaced.
    makeFile(temp, "old");
    ASSERT_EQ(g_unlink(hygro.c_str()) | g_mkdir(hygro.c_str(), 0755), 0);
    answerDialogs({AnswerNo, AnswerOk, AnswerOk});
    save();
    EXPECT_EQ(takeDialogs(), (Dialogs{"vellora question: overwrite file " + temp + " ?",
                                      "vellora question: overwrite file " + hygro + " ?",
                                      "vellora error: could not write file " + hygro}));
    EXPECT_EQ(fileContents(temp), "old");
    EXPECT_FALSE(saved(SubImgHygro));
}

TEST_F(TablePageTest, CsvBoxIsRememberedAndAnExistingCsvIsAskedAbout)
{
    enterTables();
    setToggle(ctx->widCsv, true);
    EXPECT_STREQ(ctx->settingsCtx.get("writeCsv"), "1");
    const std::string csv = appDir() + "/chart.tif.csv";
    makeFile(csv, "old");
    answerDialogs({AnswerNo});
    save();
    EXPECT_EQ(takeDialogs(), Dialogs{"vellora question: overwrite file " + csv + " ?"});
    EXPECT_EQ(fileContents(csv), "old");

    for (const char *stored : {"writeCsv=1\n", "writeCsv=0\n"}) {
        ASSERT_NO_FATAL_FAILURE(start("", stored));
        EXPECT_EQ(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(ctx->widCsv)), stored[9] == '1') << stored;
    }
}

// A scan on a read-only share: the tables go to a folder the user chooses
// when asked (and remembered), the file context to that folder, and a failed
// write of the context offers another folder, all before the window goes.
TEST_F(TablePageTest, ScansInReadOnlyFoldersKeepTablesAndContextElsewhere)
{
    const auto writable = folderWritable;
    folderWritable = +[](const std::string &folder) { return folder != appDir(); };
    enterTables();
    const std::string out = appDir() + "/../out", other = appDir() + "/../other";
    g_mkdir(out.c_str(), 0755);
    g_mkdir(other.c_str(), 0755);
    answerDialogs({AnswerOk});
    answerFolder(out);
    save();
    const std::string chosen = ctx->settingsCtx.get(kTableFolderKey);
    EXPECT_EQ(takeDialogs(), (Dialogs{"vellora question: The folder " + appDir() + " cannot be written.\n"
                                      "The tables are written to the folder you choose, and so are the next ones.",
                                      "vellora: folder for the tables: "}));
    for (const char *table : {"/Thart.tif.txt", "/Fhart.tif.txt"})
        EXPECT_TRUE(g_file_test((chosen + table).c_str(), G_FILE_TEST_EXISTS)) << table;
    EXPECT_FALSE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(ctx->widBesideScan)));

    // Reopened, the context is kept beside the tables, and the user is told.
    ctx->fileCtx.clearModified();
    loadImage(ctx, (appDir() + "/chart.tif").c_str());
    runPending();
    EXPECT_EQ(ctx->fileCtx.fileName(), chosen + "/chart.tif.ctx");
    EXPECT_NE(statusText(ctx).find("is kept in " + chosen + "/chart.tif.ctx"), std::string::npos) << statusText(ctx);
    setToggle(ctx, "P2");
    clickScan(ctx, 40, 47);
    g_mkdir((chosen + "/chart.tif.ctx").c_str(), 0755);  // cannot be written
    answerDialogs({AnswerOk, AnswerOk, AnswerOk});
    answerFolder(other);
    sendDeleteEvent(ctx->widMainWindow);
    const Dialogs shown = takeDialogs();
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown[0], "vellora question: Really quit ?");
    EXPECT_EQ(shown[2].substr(0, 60), ("vellora question: could not write file context " + chosen).substr(0, 60));
    EXPECT_NE(fileContents(other + "/chart.tif.ctx").find("Pass1=1 40.000000 47.000000"), std::string::npos);
    EXPECT_FALSE(g_file_test((appDir() + "/chart.tif.ctx").c_str(), G_FILE_TEST_EXISTS));
    folderWritable = writable;
}

} // namespace
