// SPDX-License-Identifier: GPL-3.0-or-later
// The file context and its records: any file reads without harm, every
// record is parsed by the readers the program uses, and what the store writes
// it reads back unchanged.
#include <cstring>

#include "filectx.h"
#include "fuzzinput.h"
#include "params.h"
#include "recordcheck.h"
#include "records.h"
#include "spanarray.h"

namespace {

const int kColumns = 64;

void parseEveryValue(const FileCtx &ctx)
{
    for (const auto &e : ctx.all()) {
        const char *v = e.second.c_str();
        int i, fields[5], rgb[3];
        double d;
        PassPoint pp;
        scanInt(v, &i);
        scanDouble(v, &d);
        scanPassPoint(v, &pp);
        scanDateVal(v, fields);
        scanCurveColor(v, rgb);
    }
}

void loadEveryRecord(const FileCtx &ctx)
{
    for (int i = 0; i < 3; ++i) {
        PassPoint pp;
        loadPassPointRecord(ctx, i, pp);
    }
    for (int i = 0; i < 2; ++i) {
        int pos;
        DateTime dt;
        loadDatePosRecord(ctx, i, pos);
        loadDateValRecord(ctx, i, dt);
    }
    int rgb[3], step;
    double v;
    loadCurveColorRecord(ctx, rgb);
    loadTimeStepRecord(ctx, step);
    loadDoubleRecord(ctx, "AddTemp", v);
    for (int field = 0; field < 2; ++field) {
        SpanArray limits(kColumns);
        loadLimits(ctx, field, limits, kColumns);
        int draw[kColumns];
        loadDrawMarks(ctx, field, draw, kColumns);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static fuzzinput::InputFile file(".ctx");
    file.write(data, size);
    FileCtx ctx;
    ctx.open(file.base.c_str(), true);
    parseEveryValue(ctx);
    loadEveryRecord(ctx);
    Params params;
    setParamDefaults(params);
    damagedRecord(ctx, params);

    // Round trip: keys hold no '=' or newline and values no newline once read.
    const FileCtx::Entries before = ctx.all();
    if (ctx.write() != 0)
        return 0;
    ctx.open(file.base.c_str(), true);
    if (ctx.all() != before)
        std::abort();
    return 0;
}
