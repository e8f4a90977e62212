// SPDX-License-Identifier: GPL-3.0-or-later
// The vellora-batch executable end to end: failures with their texts and exit
// status, the files a run leaves, options reaching the files and parallel runs.

#include <glib/gstdio.h>

#include "batch_fixtures.h"
#include "records.h"

using namespace batchtest;

// Every failing scan names its cause on standard error and in its result
// line, writes no table and leaves its file context alone;
// the good scan beside them still gets its tables.
TEST_F(BatchCli, FailuresReportTheirTextAndTouchNothing)
{
    // No changes: the scan is made by hand below.
    const struct { const char *name; Records changes; const char *text; } bad[] = {
        {"xnoctx.bmp", {}, "missing file context "},
        {"xdirctx.bmp", {}, "could not read file context "},
        {"xdamaged.bmp", {{"Pass2", "1 40.0 oops"}}, "damaged record Pass2=1 40.0 oops in file context "},
        {"xclose.bmp", {{"Pass2", formatPassPoint(PassPoint{1, fixtureChart().pass[0].x, fixtureChart().pass[0].y})}},
         "could not cut out temperature and hygro images. Please set better pass points"},
        {"xbaddate.bmp", {{"DateVal1", "y 2004 m 02 d 30 h 12 m 00"}}, "temperature: invalid start date"},
        // A black page gave knots everywhere and tables that looked right.
        {"xblack.bmp", {}, "temperature: ink fills the field, no trace line"},
        // Images cut short, as an interrupted copy leaves them, were digitised
        // with their missing part grey.
        {"xcut.jpeg", {}, "could not load image-file xcut.jpeg: the file ends early"},
        {"xcut.png", {}, "could not load image-file xcut.png: the file ends early"},
        {"xcut.bmp", {}, "could not load image-file xcut.bmp: the file ends early"},
        {"xcut.tiff", {}, "could not load image-file xcut.tiff: "},  // libtiff's reason
        // A tiny header claiming a huge image was decoded into gigabytes.
        {"xbomb.png", {}, "image too large: xbomb.png: 60000 x 60000 pixels, more than the 200000000 allowed "
                          "(raise the limit with --max-pixels)"},
    };
    writeScan(dir.file("xnoctx.bmp"));
    writeScan(dir.file("xdirctx.bmp"));
    g_mkdir(dir.file("xdirctx.bmp.ctx").c_str(), 0755);
    const GdkPixbuf *chart = fixtureChart().scan.get();
    const guchar black[3] = {0, 0, 0};
    ASSERT_TRUE(gdk_pixbuf_save(solidImage(gdk_pixbuf_get_width(chart), gdk_pixbuf_get_height(chart), black).get(),
                                dir.file("xblack.bmp").c_str(), "bmp", nullptr, NULL));
    writeCtx(dir.file("xblack.bmp"));
    for (const char *type : {"jpeg", "png", "bmp", "tiff"}) {
        const std::string whole = dir.file(std::string("whole.") + type);
        ASSERT_TRUE(gdk_pixbuf_save(fixtureChart().scan.get(), whole.c_str(), type, nullptr, NULL));
        const std::string bytes = fileContents(whole);
        makeFile(dir.file(std::string("xcut.") + type), bytes.substr(0, bytes.size() * 6 / 10));
        writeCtx(dir.file(std::string("xcut.") + type));
    }
    // A PNG of 68 bytes whose header claims 60000 x 60000 pixels, then a tiny
    // image data block and the end.
    makeFile(dir.file("xbomb.png"), std::string("\x89\x50\x4e\x47\x0d\x0a\x1a\x0a\x00\x00\x00\x0d\x49\x48\x44\x52"
                                                "\x00\x00\xea\x60\x00\x00\xea\x60\x08\x02\x00\x00\x00\x0f\xb0\xe2"
                                                "\x15\x00\x00\x00\x0b\x49\x44\x41\x54\x78\x9c\x63\x60\x80\x01\x00"
                                                "\x00\x0a\x00\x01\x7f\x80\x74\x5e\x00\x00\x00\x00\x49\x45\x4e\x44"
                                                "\xae\x42\x60\x82", 68));
    writeCtx(dir.file("xbomb.png"));
    scan("aok.bmp");
    std::vector<std::string> args = {"-j", "2", "aok.bmp"};
    for (const auto &b : bad) {
        if (!b.changes.empty()) scan(b.name, b.changes);
        args.push_back(b.name);
    }
    const auto before = filesIn(dir.path());

    RunResult r = run(args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(countLines(r.out), 12 + 1);
    EXPECT_TRUE(hasLine(r.out, "aok.bmp\tok\t")) << r.out;
    for (const auto &b : bad) {
        EXPECT_TRUE(hasLine(r.err, std::string(b.name) + ": " + b.text)) << r.err;
        EXPECT_TRUE(hasLine(r.out, std::string(b.name) + "\tfailed: " + b.text)) << r.out;
    }
    EXPECT_TRUE(hasLine(r.err, "xbaddate.bmp: hygrometer: invalid start date")) << r.err;
    // Nothing changed but the tables of the good scan; no temporary file is left.
    auto after = filesIn(dir.path());
    EXPECT_EQ(after.erase("Tok.bmp.txt") + after.erase("Fok.bmp.txt"), 2u);
    EXPECT_TRUE(after == before);
}

// Usage errors exit with 2 and write nothing; --max-pixels reaches the
// loader. Then a local day over the turn
// of the year at UTC+1, the time step from the scan, a paper speed warning
// that does not fail the scan; then tables kept without --force and replaced
// with it.
TEST_F(BatchCli, OptionsAndRecordsReachTheFilesAndOnlyForceReplacesThem)
{
    makeFile(dir.file("vellora.ini"), "srcMMPerHour 2.5\n");
    const std::string s = scan("x1.bmp", {{"DateVal1", "y 2004 m 12 d 31 h 00 m 00"},
                                          {"DateVal2", "y 2005 m 01 d 01 h 00 m 00"}, {"TimeStep", "10"}});
    for (const std::vector<std::string> &args : std::vector<std::vector<std::string>>{
             {}, {"--jobs", "0", s}, {"--frobnicate", s}, {"--step"}, {"--station-id", "BRN", s},
             {"--sef", "--source", "a/b", s}, {"--params", dir.file("missing.ini"), s}}) {
        RunResult r = run(args);
        EXPECT_EQ(r.status, 2) << (args.empty() ? "" : args[0]);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.substr(0, 15), "vellora-batch: ");
    }
    EXPECT_EQ(filesIn(dir.path()).size(), 3u);
    EXPECT_EQ(run({"--help"}).status, 0);
    EXPECT_NE(run({"--max-pixels", "5000", s}).err.find("pixels, more than the 5000 allowed"), std::string::npos);
    RunResult r = run({"--quiet", "--sef", "--station-id", "BRN", "--source", "ARCH", "--utc-offset", "1", s});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find(s + ": warning: temperature: paper speed not exact, please check dates, "
                             "mmPerHour=10.494792, should be srcMMPerHour=2.500000"),
              std::string::npos) << r.err;
    const std::string ta = fileContents(dir.file("ARCH_BRN_20041230-20041231_ta.tsv"));
    EXPECT_TRUE(hasLine(ta, "Meta\tutc_offset=+1|scan=x1.bmp|software=vellora ")) << ta;
    EXPECT_EQ(countLines(ta), 13 + 145);

    const std::string table = dir.file("T1.bmp.txt");
    makeFile(table, "edited by hand\n");
    RunResult kept = run({"--step", "60", s});
    EXPECT_EQ(kept.status, 1);
    EXPECT_NE(kept.err.find("file exists, not replaced (use --force or --skip-existing): " + table), std::string::npos)
        << kept.err;
    EXPECT_EQ(fileContents(table), "edited by hand\n");
    EXPECT_EQ(countLines(fileContents(dir.file("F1.bmp.txt"))), 145);
    ASSERT_EQ(run({"--force", "--step", "60", s}).status, 0);
    EXPECT_EQ(fileContents(table).compare(0, 17, "31.12.2004 00.00 "), 0);
    EXPECT_EQ(countLines(fileContents(table)), 25);
    EXPECT_EQ(countLines(fileContents(dir.file("F1.bmp.txt"))), 25);
    EXPECT_EQ(filesIn(dir.path()).size(), 7u);
}

// Each run in a folder of its own with a relative output folder, so that
// their messages must be the same. Scans 1 and 2 (3 and 4) share their SEF
// names and the earlier one wins, even though scan 1, larger, ends last: the
// later one writes nothing at all.
TEST_F(BatchCli, TwoJobsWriteWhatOneJobWrites)
{
    std::vector<std::string> scans;
    for (int i = 1; i <= 4; ++i) {
        const std::string end = "y 2004 m 07 d 0" + std::to_string(1 + (i + 1) / 2) + " h 1" + std::to_string(i) + " m 30";
        scans.push_back(scan("x" + std::to_string(i) + ".bmp", {{"DateVal2", end}}));
    }
    writeScan(scans[0], 3000);
    scans.push_back(dir.file("missing.bmp"));
    RunResult runs[2];
    for (int jobs = 1; jobs <= 2; ++jobs) {
        std::vector<std::string> args = {"--jobs", std::to_string(jobs), "--sef", "--station-id", "S1",
                                         "--step", "10", "--output-dir", "out"};
        args.insert(args.end(), scans.begin(), scans.end());
        g_mkdir(dir.file(std::to_string(jobs)).c_str(), 0755);
        runs[jobs - 1] = runBatchExe(args, dir.file(std::to_string(jobs)));
        EXPECT_EQ(runs[jobs - 1].status, 1);
    }
    EXPECT_EQ(runs[1].out, runs[0].out);
    EXPECT_EQ(runs[1].err, runs[0].err);
    EXPECT_TRUE(hasLine(runs[1].out, scans[1] + "\tfailed: output file out/NA_S1_")) << runs[1].out;
    EXPECT_NE(runs[1].out.find(".tsv is also the output of " + scans[0] + " in this run"), std::string::npos);
    const auto serial = filesIn(dir.file("1/out"));
    EXPECT_EQ(serial.size(), 2u * (2 + 2));
    EXPECT_TRUE(filesIn(dir.file("2/out")) == serial);
}
