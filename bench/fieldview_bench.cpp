// SPDX-License-Identifier: GPL-3.0-or-later
// Redrawing a field view of a 300 dpi synthetic chart into an off-screen
// pixmap: the bare image, a search window in every column (what automatic
// windows make usual), that with curve and table shown, and the strip a pen
// stroke invalidates. The X server's work is included (each draw is synced).
// Needs a display; run under `xvfb-run -a`.

#include <benchmark/benchmark.h>

#include <chrono>

#include <gtk/gtk.h>

#include "chartsynth.h"
#include "ui.h"

namespace {

enum Scene { BareImage = 0, WindowEveryColumn = 1, WindowsCurveTable = 2, StrokeStrip = 3 };

struct FieldScene {
    MainCtx ctx;
    GdkPixmap *pixmap = nullptr;
    bool ready = false;

    FieldScene()
    {
        initMainCtx(&ctx);
        ChartOptions options;   // 300 dpi
        options.seed = 5;
        SynthChart chart;
        if (renderChart(options, chart) != SynthOk)
            return;
        ctx.paramsRecord = chart.params;
        ScanSettings &settings = ctx.settings;
        defaultScanSettings(ctx.paramsRecord, settings);
        for (int i = 0; i < 3; ++i)
            settings.passPoints[i] = PassPoint{1, chart.pass[i].x, chart.pass[i].y};
        for (int i = 0; i < 2; ++i) {
            settings.datePos[i] = chart.datePos[i];
            settings.dateVal[i] = chart.dateVal[i];
        }
        for (int c = 0; c < 3; ++c)
            settings.curveColor[c] = chart.curveColor[c];
        FieldResult &field = ctx.fields[SubImgTemp];
        if (!cutOutFieldImage(ctx.paramsRecord, chart.scan.get(), settings, SubImgTemp, field,
                              ProgressSink{}))
            return;
        const int w = imageWidth(field), h = imageHeight(field);
        FieldSettings &hand = settings.fields[SubImgTemp];
        hand.windows = SpanArray(w);
        hand.drawPos.assign(w, -1);
        evaluateField(ctx.paramsRecord, settings, SubImgTemp, EvalInkExtent, field, ProgressSink{});
        pixmap = gdk_pixmap_new(gdk_get_default_root_window(), w, h, -1);
        ready = true;
    }

    void windows(bool on)
    {
        FieldResult &field = ctx.fields[SubImgTemp];
        SpanArray &win = ctx.settings.fields[SubImgTemp].windows;
        const int h = imageHeight(field);
        for (int x = 0; x < win.size(); ++x) {
            win.setBot(x, on ? h / 4 + x % 7 : -1);
            win.setTop(x, on ? 3 * h / 4 - x % 5 : -1);
        }
    }
};

FieldScene &scene()
{
    static FieldScene s;
    return s;
}

void BM_FieldViewRedraw(benchmark::State &state)
{
    if (!gdk_display_get_default())
        return state.SkipWithError("no display: run under xvfb-run -a");
    FieldScene &s = scene();
    if (!s.ready)
        return state.SkipWithError("chart not made");
    const int kind = state.range(0);
    s.windows(kind != BareImage);
    s.ctx.showCurve = s.ctx.showTable = kind == WindowsCurveTable;
    const FieldResult &field = s.ctx.fields[SubImgTemp];
    GdkRectangle area = {0, 0, imageWidth(field), imageHeight(field)};
    if (kind == StrokeStrip)
        area = GdkRectangle{imageWidth(field) / 2, 0, 24, imageHeight(field)};
    for (auto _ : state) {
        drawFieldArea(s.pixmap, &s.ctx, SubImgTemp, area);
        gdk_display_sync(gdk_display_get_default());
    }
    state.counters["columns"] = area.width;
}

double timedRedraw(FieldScene &s, const GdkRectangle &area)
{
    const auto start = std::chrono::steady_clock::now();
    drawFieldArea(s.pixmap, &s.ctx, SubImgTemp, area);
    gdk_display_sync(gdk_display_get_default());
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// What a window in every column adds to a whole redraw, as a ratio of two
// redraws timed alternately in one run.
void BM_WindowsOverBareRedraw(benchmark::State &state)
{
    if (!gdk_display_get_default())
        return state.SkipWithError("no display: run under xvfb-run -a");
    FieldScene &s = scene();
    if (!s.ready)
        return state.SkipWithError("chart not made");
    s.ctx.showCurve = s.ctx.showTable = 0;
    const FieldResult &field = s.ctx.fields[SubImgTemp];
    const GdkRectangle area = {0, 0, imageWidth(field), imageHeight(field)};
    double bare = 0.0, windows = 0.0;
    for (auto _ : state) {
        s.windows(false);
        bare += timedRedraw(s, area);
        s.windows(true);
        windows += timedRedraw(s, area);
    }
    state.counters["windows/bare"] = windows / bare;
}

} // namespace

BENCHMARK(BM_WindowsOverBareRedraw)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FieldViewRedraw)->DenseRange(BareImage, StrokeStrip)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char **argv)
{
    gtk_init_check(&argc, &argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
