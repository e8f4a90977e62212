#include "evalchart.h"

// The evaluation page: cutting the fields out on entry, and the chain that
// recomputes spans, knots, curves and tables only when shown and not busy.

using namespace evalchart;

namespace {

const char *const kCutOutFailed =
    "could not cut out temperature and hygro images. Please set better pass points";

class CutOutTest : public EvalTest {};

TEST_F(CutOutTest, EntryCutsOutOnlyAfterAPassPointChange)
{
    start();
    openChart();
    showPage(kEvaluationPage);
    for (const SubImgData &sub : ctx->subImgData) {
        ASSERT_NE(sub.pixbuf, nullptr);
        int w, h;
        gtk_widget_get_size_request(sub.widget, &w, &h);
        EXPECT_EQ(gdk_pixbuf_get_width(sub.pixbuf) * 1000 + gdk_pixbuf_get_height(sub.pixbuf),
                  kFieldWidth * 1000 + kFieldHeight);
        EXPECT_EQ(w * 1000 + h, kFieldWidth * 1000 + kFieldHeight);
    }
    EXPECT_EQ(ctx->dirtyFlags, CurveChanged) << "the fits wait for a display toggle";
    EXPECT_EQ(ctx->datePos[0], 0);
    EXPECT_EQ(ctx->datePos[1], kFieldWidth - 1);
    EXPECT_EQ(statusText(ctx), "set left and right borders in image, set dates, choose curve color");

    SubImgData &temp = ctx->subImgData[SubImgTemp], &hygro = ctx->subImgData[SubImgHygro];
    GdkPixbuf *cut = temp.pixbuf;
    temp.drawPos[100] = 50;
    reenterEvaluation();
    EXPECT_EQ(temp.pixbuf, cut);
    EXPECT_EQ(temp.drawPos[100], 50) << "retouch kept";

    // Stored windows and draw marks are loaded for the columns that exist.
    const char *const records[][2] = {
        {"Bot0_0005", "10"}, {"Top0_0005", "20"}, {"Draw1_0586", "44"}, {"Draw1_0587", "55"}};
    for (const auto &record : records)
        ctx->fileCtx.set(record[0], record[1]);
    setPassPoints(573.0);
    reenterEvaluation();
    EXPECT_EQ(temp.drawPos[100], -1);
    EXPECT_EQ(temp.limitSpan->getBot(5), 10);
    EXPECT_EQ(temp.limitSpan->getTop(5), 20);
    EXPECT_EQ(hygro.drawPos[kFieldWidth - 1], 44);
    EXPECT_EQ(hygro.limitSpan->getBot(5), -1);
    EXPECT_TRUE(takeDialogs().empty());
}

TEST_F(CutOutTest, ShortPassPointSpanRefusesKeepsTheFlagsAndDropsOldResults)
{
    start();
    openChart(true, 199.0);
    answerDialogs({AnswerOk, AnswerOk});
    showPage(kEvaluationPage);
    std::vector<DialogRecord> dialogs = takeDialogs();
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].title, "vellora error");
    EXPECT_EQ(dialogs[0].text, kCutOutFailed);
    EXPECT_EQ(ctx->dirtyFlags & (ImageChanged | PassPointsChanged), ImageChanged | PassPointsChanged);
    EXPECT_EQ(ctx->subImgData[SubImgTemp].pixbuf, nullptr);
    reenterEvaluation();
    EXPECT_EQ(takeDialogs().size(), 1u) << "every entry tries again";

    setPassPoints(200.0);
    reenterEvaluation();
    EXPECT_TRUE(takeDialogs().empty());
    setToggle(ctx->widShowCurve, true);
    ASSERT_GT(ctx->subImgData[SubImgTemp].tableCount, 0);

    setPassPoints(199.0);
    answerDialogs({AnswerOk});
    reenterEvaluation();
    EXPECT_EQ(takeDialogs().size(), 1u);
    for (const SubImgData &sub : ctx->subImgData) {
        // The old geometry's results can no longer be drawn or saved.
        EXPECT_TRUE(!sub.pixbuf && !sub.limitSpan && !sub.curve);
        EXPECT_EQ(sub.tableCount, 0);
    }
}

TEST_F(CutOutTest, HugeResolutionShowsTheErrorInsteadOfCrashing)
{
    start("dstPixelsPerMM 100000\n");
    openChart();
    answerDialogs({AnswerOk});
    showPage(kEvaluationPage);
    std::vector<DialogRecord> dialogs = takeDialogs();
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].text, kCutOutFailed);
    EXPECT_EQ(ctx->subImgData[SubImgTemp].pixbuf, nullptr);
}

TEST_F(CutOutTest, EndMarkBeyondTheImageIsClampedForTheKnots)
{
    start();
    writeFile(appWorkDir() + "/" + kScanName + ".ctx", "DatePos2=5000\n");
    openChart();
    showPage(kEvaluationPage);
    ASSERT_EQ(ctx->datePos[1], 5000);
    setToggle(ctx->widShowCurve, true);
    for (const SubImgData &sub : ctx->subImgData) {
        EXPECT_EQ(sub.knotCount, kFieldWidth - kArcShift);
        EXPECT_EQ(sub.knotPos[sub.knotCount - 1], kFieldWidth - 1);
        EXPECT_GT(sub.tableCount, 0);
    }
    EXPECT_NEAR(ctx->subImgData[SubImgTemp].table[0].value, 5.0, 1e-6);
}

class ChainTest : public EvalTest {
protected:
    void SetUp() override
    {
        start();
        openChart();
        showPage(kEvaluationPage);
        fieldWork.clear();
    }
};

TEST_F(ChainTest, WaitsForADisplayToggleThenFitsBothFieldsOrOnlyTheOneAsked)
{
    GtkRange *smoothness = GTK_RANGE(uiWidget(ctx, "curvesmoothness"));
    recomputeChain(ctx, CurveChanged, 2);
    gtk_range_set_value(smoothness, 3.0);
    EXPECT_DOUBLE_EQ(ctx->smoothness, 8.0);
    EXPECT_TRUE(fieldWork.empty()) << "nothing is shown, so nothing is fitted";
    EXPECT_TRUE(ctx->dirtyFlags & CurveChanged);

    setToggle(ctx->widShowCurve, true);
    EXPECT_EQ(fieldWork, recomputed({0, 1}));
    EXPECT_EQ(statusText(ctx), "");
    EXPECT_FALSE(ctx->dirtyFlags & CurveChanged);
    EXPECT_TRUE(takeDialogs().empty());
    for (const SubImgData &sub : ctx->subImgData) {
        EXPECT_EQ(sub.knotCount, kFieldWidth - kArcShift);
        EXPECT_EQ(sub.fitStatus, 0);
        EXPECT_EQ(entryText(sub.wid_knotnumperc), "98");
        EXPECT_EQ(entryText(sub.wid_cnt), "26");
    }
    const SubImgData &temp = ctx->subImgData[SubImgTemp];
    EXPECT_NEAR(temp.curve->value(300), kTempRow, 1e-6);
    EXPECT_NEAR(ctx->subImgData[SubImgHygro].curve->value(300), kHygroRow, 1e-6);
    EXPECT_EQ(entryText(temp.wid_min) + entryText(temp.wid_max), "  +5.00  +5.00");
    EXPECT_EQ(ctx->fileCtx.get("Bot0_0000"), nullptr) << "no windows, no records";

    fieldWork.clear();
    gtk_range_set_value(smoothness, -2.0);
    EXPECT_DOUBLE_EQ(ctx->smoothness, 0.5);
    EXPECT_EQ(fieldWork, recomputed({0, 1}));

    // A request for the temperature field recomputes it only; a window set
    // since is written back on the way.
    fieldWork.clear();
    temp.limitSpan->setBot(3, 70);
    recomputeChain(ctx, CurveChanged, 0);
    EXPECT_EQ(fieldWork, recomputed({0}));
    EXPECT_STREQ(ctx->fileCtx.get("Bot0_0003"), "70");
    EXPECT_EQ(ctx->fileCtx.get("Top0_0003"), nullptr);
}

// Runs once from the first pumped status update of the chain.
struct DuringWork {
    MainCtx *ctx;
    void (*action)(MainCtx *);
    bool busy = false;
    GdkPixbuf *temp = nullptr;
};

gboolean actDuringWork(gpointer data)
{
    DuringWork *work = static_cast<DuringWork *>(data);
    work->busy = work->ctx->busy != 0;
    work->temp = work->ctx->subImgData[SubImgTemp].pixbuf;
    work->action(work->ctx);
    return FALSE;
}

TEST_F(ChainTest, ClickWhileProgressPumpsEventsStartsNoSecondRecomputation)
{
    DuringWork work{ctx, [](MainCtx *c) {
                        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(c->widShowContrast), TRUE);
                        recomputeChain(c, CurveChanged, 2);
                    }};
    g_idle_add(actDuringWork, &work);
    setToggle(ctx->widShowCurve, true);
    EXPECT_TRUE(work.busy);
    EXPECT_EQ(ctx->showContrast, 1);
    EXPECT_EQ(fieldWork, recomputed({0, 1}));
    EXPECT_FALSE(ctx->dirtyFlags & CurveChanged) << "the ignored request is not queued";
}

TEST_F(ChainTest, PageEntryWhileTheChainRunsLeavesTheCutOutPending)
{
    DuringWork work{ctx, [](MainCtx *c) {
                        c->dirtyFlags |= PassPointsChanged;
                        cutOutSubImages(c->widMainNoteBook, c);
                    }};
    g_idle_add(actDuringWork, &work);
    setToggle(ctx->widShowCurve, true);
    ASSERT_NE(work.temp, nullptr);
    EXPECT_EQ(ctx->subImgData[SubImgTemp].pixbuf, work.temp);
    EXPECT_TRUE(ctx->dirtyFlags & PassPointsChanged);
    EXPECT_EQ(ctx->subImgData[SubImgHygro].fitStatus, 0);

    reenterEvaluation();
    EXPECT_FALSE(ctx->dirtyFlags & PassPointsChanged);
    EXPECT_EQ(ctx->subImgData[SubImgHygro].curve, nullptr) << "cut out anew";
}

} // namespace
