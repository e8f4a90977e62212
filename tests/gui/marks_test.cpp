// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdlib>

#include "evalchart.h"

// The mouse on the field views: marks, retouching search windows, drawing the
// curve by hand, and the buttons that reset and set the search windows.

using namespace evalchart;

namespace {

class MarksTest : public EvalTest {
protected:
    void SetUp() override { evaluate(true); }

    void setMode(const char *button) { setToggle(uiWidget(ctx, button), true); }
    GtkWidget *view() { return ctx->subImgData[SubImgTemp].widget; }
    FieldSettings &temp() { return ctx->settings.fields[SubImgTemp]; }
};

// A mark takes the column under the pointer, at any zoom.
TEST_F(MarksTest, PressesTakeTheColumnUnderThePointerAndAnEndBeforeTheStartIsRefused)
{
    click(view(), 49.5, 20);
    EXPECT_EQ(ctx->settings.datePos[0], 49);
    EXPECT_STREQ(record("DatePos1"), "49");
    EXPECT_EQ(fieldWork, recomputed({0, 1}));
    setZoom(ctx, FieldZoom, 4.0, view(), -1, -1);
    runPending();
    click(view(), 4 * 120 + 3.5, 20, 3);
    EXPECT_EQ(ctx->settings.datePos[0], 120);
    setZoom(ctx, FieldZoom, 1.0, view(), -1, -1);
    runPending();
    click(view(), 49, 20);

    setMode("enddate");
    answerDialogs({AnswerOk});
    click(view(), 49, 20);
    EXPECT_EQ(takeDialogs(), std::vector<std::string>{"vellora error: you can not set end mark before start mark"});
    EXPECT_EQ(ctx->settings.datePos[1], kFieldWidth - 1);
    EXPECT_EQ(record("DatePos2"), std::to_string(kFieldWidth - 1)) << "the old column stored again";
}

// The readout names the column, the chart time once both marks are placed
// (12:00 at column 100, the next day 13:00 at 400) and the value.
TEST_F(MarksTest, ReadoutNamesColumnTimeAndValue)
{
    click(view(), 100, 20);
    movePointer(view(), 250, kTempRow);
    const auto readout = [this] { return std::string(gtk_label_get_text(GTK_LABEL(ctx->widReadout))); };
    EXPECT_EQ(readout(), "column 250  +5.0 °C") << "no time before the end mark is placed";
    setMode("enddate");
    click(view(), 400, 20);
    movePointer(view(), 250, kTempRow);
    EXPECT_EQ(readout(), "column 250  02.01.2000 00.30  +5.0 °C");
    movePointer(ctx->subImgData[SubImgHygro].widget, 400, kHygroRow);
    EXPECT_EQ(readout().substr(0, 30), "column 400  02.01.2000 13.00  ");
    EXPECT_EQ(readout().substr(readout().size() - 2), " %");
}

// What the GUI stores is what the batch accepts: marks and drawn rows lie on
// the field image, also where the view is wider or the pointer left it.
TEST_F(MarksTest, MarksAndDrawnRowsStayOnTheImage)
{
    gtk_widget_set_size_request(view(), kFieldWidth + 200, kFieldHeight + 60);
    runPending();
    setMode("enddate");
    click(view(), kFieldWidth + 100, 20);
    EXPECT_STREQ(record("DatePos2"), std::to_string(kFieldWidth - 1).c_str());
    if (!pointerStateAvailable())
        GTEST_SKIP() << "no XTest: strokes need held buttons";
    setMode("drawcurve");
    pressButton(view(), 100, kFieldHeight + 40);
    movePointer(view(), 100, kFieldHeight + 40);
    releaseButton(view(), 100, kFieldHeight + 40);
    EXPECT_STREQ(record(columnKey("Draw", 0, 100)), std::to_string(kFieldHeight - 1).c_str());
}

TEST_F(MarksTest, StrokesDrawAndRetouchEveryColumnControlClearsReleaseRefits)
{
    if (!pointerStateAvailable())
        GTEST_SKIP() << "no XTest: strokes need held buttons";
    setMode("drawcurve");
    pressButton(view(), 10, 30);
    movePointer(view(), 10, 30);
    movePointer(view(), 40, 50);  // a fast move fills the columns passed over
    EXPECT_TRUE(fieldWork.empty()) << "the refit waits for the release";
    for (int x = 10; x <= 40; ++x) {
        ASSERT_EQ(temp().drawPos[x], 50) << x;
        ASSERT_STREQ(record(columnKey("Draw", 0, x)), "50") << x;
    }
    EXPECT_EQ(temp().drawPos[9] + temp().drawPos[41], -2);
    movePointer(view(), 25, 70, GDK_CONTROL_MASK);
    EXPECT_EQ(temp().drawPos[24], 50);
    EXPECT_EQ(temp().drawPos[25] + temp().drawPos[40], -2);
    EXPECT_EQ(record(columnKey("Draw", 0, 40)), nullptr);
    releaseButton(view(), 25, 70);
    EXPECT_EQ(fieldWork, recomputed({0}));

    // Retouching keeps two rows between the edges; Control clears one.
    fieldWork.clear();
    setMode("retouchvertical");
    SpanArray &limit = temp().windows;
    const int x = 300;
    limit.setBot(x, 50);
    limit.setTop(x, 120);
    pressButton(view(), x, 200);
    movePointer(view(), x, 200);
    releaseButton(view(), x, 200);
    EXPECT_EQ(limit.getBot(x), 118);
    EXPECT_STREQ(record(columnKey("Bot", 0, x)), "118");
    EXPECT_EQ(fieldWork, recomputed({0}));
    limit.setBot(x, 50);
    pressButton(view(), x, 10, 3);
    movePointer(view(), x, 10);
    releaseButton(view(), x, 10, 3);
    EXPECT_EQ(limit.getTop(x), 52);
    EXPECT_STREQ(record(columnKey("Top", 0, x)), "52");
    pressButton(view(), x, 10);
    movePointer(view(), x, 10, GDK_CONTROL_MASK);
    releaseButton(view(), x, 10);
    EXPECT_EQ(limit.getBot(x), -1);
    EXPECT_EQ(record(columnKey("Bot", 0, x)), nullptr);
}

TEST_F(MarksTest, ResetsDropEveryWindowAndDrawnRowOfBothFields)
{
    const size_t others = ctx->fileCtx.all().size();
    for (int f = SubImgTemp; f <= SubImgHygro; ++f) {
        FieldSettings &hand = ctx->settings.fields[f];
        for (int x = 100; x < 110; ++x) {
            hand.windows.setBot(x, 10);
            hand.windows.setTop(x, 150);
            hand.drawPos[x + 200] = 40;
        }
        storeWindows(ctx, f);
        storeDrawMarks(ctx->fileCtx, f, hand.drawPos.data(), kFieldWidth);
    }
    ASSERT_EQ(ctx->fileCtx.all().size(), others + 2 * 30);
    gtk_button_clicked(GTK_BUTTON(uiWidget(ctx, "resetvertical")));
    EXPECT_EQ(ctx->fileCtx.all().size(), others + 2 * 10);  // the drawn rows
    EXPECT_EQ(fieldWork, recomputed({0, 1}));
    gtk_button_clicked(GTK_BUTTON(uiWidget(ctx, "resetdrawpos")));
    EXPECT_EQ(ctx->fileCtx.all().size(), others);
    for (const FieldSettings &hand : ctx->settings.fields) {
        EXPECT_EQ(hand.windows.getBot(105), -1);
        EXPECT_EQ(hand.windows.getTop(105), -1);
        EXPECT_EQ(hand.drawPos[305], -1);
    }
}

TEST_F(MarksTest, AutoWindowsFollowTheInkAndAreStored)
{
    // A sloping trace: a straight one across the field looks like a printed line.
    auto slopeRow = [](int x) { return 40 + (x - 100) * 80 / 300; };
    const guchar paper[3] = {255, 255, 255}, ink[3] = {155, 132, 192};
    for (const FieldResult &field : ctx->fields) {
        for (int x = 0; x < kFieldWidth; ++x) {
            for (int y = 0; y < kFieldHeight; ++y)
                putPixel(field.pixbuf, x, y, std::abs(y - slopeRow(x)) <= 1 ? ink : paper);
        }
    }
    ctx->settings.datePos[0] = 100;
    ctx->settings.datePos[1] = 400;
    gtk_button_clicked(GTK_BUTTON(uiWidget(ctx, "autowindows")));
    for (int f = SubImgTemp; f <= SubImgHygro; ++f) {
        const SpanArray &limit = ctx->settings.fields[f].windows;
        for (int x : {100, 250, 400}) {
            EXPECT_LT(limit.getBot(x), slopeRow(x) - 1) << f << "," << x;
            EXPECT_GT(limit.getTop(x), slopeRow(x) + 1) << f << "," << x;
            EXPECT_STREQ(record(columnKey("Bot", f, x)), std::to_string(limit.getBot(x)).c_str());
        }
        EXPECT_EQ(limit.getBot(50), -1) << "outside the marks";
        EXPECT_NEAR(ctx->fields[f].curve->value(250), slopeRow(250), 1.0);
    }
    EXPECT_EQ(fieldWork, recomputed({0, 1}));
}

} // namespace
