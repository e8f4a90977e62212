// SPDX-License-Identifier: GPL-3.0-or-later
// vellora-batch against damaged input, colliding names, interrupted and
// concurrent runs and failing writes: each case once looked like success.

#include <glib/gstdio.h>
#include <sys/resource.h>

#include <thread>

#include "batch_fixtures.h"

using namespace batchtest;

// Truncated images were digitised with their missing part grey, and a tiny
// header claiming a huge image was decoded into gigabytes: all are refused
// with the file and the reason, and write nothing.
TEST_F(BatchCli, DamagedAndHugeImagesAreRefusedWithTheirReason)
{
    const std::string good = scan("xgood.bmp");
    for (const char *type : {"jpeg", "png", "bmp", "tiff"}) {
        const std::string whole = dir.file(std::string("whole.") + type);
        ASSERT_TRUE(gdk_pixbuf_save(fixtureChart().scan.get(), whole.c_str(), type, nullptr, NULL));
        const std::string bytes = fileContents(whole);  // as an interrupted copy leaves it
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
    const auto before = filesIn(dir.path());

    RunResult r = run({"xcut.jpeg", "xcut.png", "xcut.bmp", "xcut.tiff", "xbomb.png", "xgood.bmp"});
    EXPECT_EQ(r.status, 1);
    for (const char *cut : {"xcut.jpeg", "xcut.png", "xcut.bmp"})
        EXPECT_TRUE(hasLine(r.err, std::string(cut) + ": could not load image-file " + cut + ": the file ends early")) << r.err;
    EXPECT_TRUE(hasLine(r.err, "xcut.tiff: could not load image-file xcut.tiff: ")) << r.err;
    EXPECT_TRUE(hasLine(r.err, "xbomb.png: image too large: xbomb.png: 60000 x 60000 pixels, more than the "
                               "200000000 allowed (raise the limit with --max-pixels)")) << r.err;
    auto after = filesIn(dir.path());
    EXPECT_EQ(after.erase("Tgood.bmp.txt") + after.erase("Fgood.bmp.txt"), 2u);
    EXPECT_TRUE(after == before);

    // --max-pixels reaches the loader.
    RunResult small = run({"--max-pixels", "5000", good});
    EXPECT_EQ(small.status, 1);
    EXPECT_NE(small.err.find("pixels, more than the 5000 allowed"), std::string::npos) << small.err;
}

// With --force two scans mapping to one table name overwrote each other and
// both said ok: the later one is refused, naming both scans and the file.
TEST_F(BatchCli, ScansSharingAnOutputNameCannotOverwriteEachOther)
{
    g_mkdir(dir.file("a").c_str(), 0755);
    g_mkdir(dir.file("b").c_str(), 0755);
    scan("1.bmp");
    scan("2.bmp", {{"DateVal2", "y 2004 m 07 d 02 h 18 m 00"}});
    scan("a/x0815.bmp");
    scan("b/x0815.bmp");
    RunResult r = run({"--force", "1.bmp", "2.bmp", "./1.bmp"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(hasLine(r.err, "2.bmp: output file T.bmp.txt is also the output of 1.bmp in this run; "
                               "nothing written for this scan")) << r.err;
    EXPECT_TRUE(hasLine(r.err, "./1.bmp: output file ./T.bmp.txt is also the output of 1.bmp")) << r.err;
    EXPECT_EQ(countLines(fileContents(dir.file("T.bmp.txt"))), 25) << "the table of 1.bmp, not of 2.bmp";

    RunResult o = run({"--force", "--output-dir", "out", "--preview", "p", "a/x0815.bmp", "b/x0815.bmp"});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(filesIn(dir.file("p")).size(), 2u) << "each scan keeps its preview";
    EXPECT_TRUE(hasLine(o.out, "a/x0815.bmp\tok\t")) << o.out;
    EXPECT_TRUE(hasLine(o.out, "b/x0815.bmp\tfailed: output file out/T0815.bmp.txt is also the output of a/x0815.bmp")) << o.out;
}

// A run resumed after an interruption redid every scan and then failed the
// finished ones: --skip-existing leaves them, keeps a table already written
// and writes only what is missing.
TEST_F(BatchCli, SkipExistingResumesAnInterruptedRun)
{
    for (const char *name : {"x1.bmp", "x2.bmp"}) scan(name);
    ASSERT_EQ(run({"x1.bmp"}).status, 0);
    makeFile(dir.file("T2.bmp.txt"), "written before the interruption\n");

    RunResult r = run({"--skip-existing", "x1.bmp", "x2.bmp"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(hasLine(r.out, "x1.bmp\tskipped, tables exist\tT -\tF -")) << r.out;
    EXPECT_TRUE(hasLine(r.out, "x2.bmp\tok\t")) << r.out;
    EXPECT_EQ(fileContents(dir.file("T2.bmp.txt")), "written before the interruption\n");
    EXPECT_EQ(countLines(fileContents(dir.file("F2.bmp.txt"))), 25);
    EXPECT_EQ(run({"--skip-existing", "--force", "x1.bmp"}).status, 2);
}

// Two runs over the same scans at once used to fail a scan in both while its
// tables existed: each file is created by one run only, and each scan is ok
// in exactly the run that wrote its tables.
TEST_F(BatchCli, ConcurrentRunsReportTrueStatuses)
{
    std::vector<std::string> args = {"-j", "2"};
    for (int i = 0; i < 8; ++i) args.push_back(scan("c" + std::to_string(i) + ".bmp"));
    RunResult runs[2];
    std::thread other([&] { runs[1] = runBatchExe(args, dir.path()); });
    runs[0] = runBatchExe(args, dir.path());
    other.join();
    for (int i = 0; i < 8; ++i) {
        const std::string s = dir.file("c" + std::to_string(i) + ".bmp");
        const int okIn = hasLine(runs[0].out, s + "\tok\t") + hasLine(runs[1].out, s + "\tok\t");
        const int refusedIn = hasLine(runs[0].out, s + "\tfailed: file exists, not replaced") +
                              hasLine(runs[1].out, s + "\tfailed: file exists, not replaced");
        EXPECT_EQ(okIn, 1) << s << "\n" << runs[0].out << runs[1].out;
        EXPECT_EQ(refusedIn, 1) << s;
    }
}

// A file-size limit killed the run with SIGXFSZ and left its temporaries:
// now the write fails with the system's reason. A temporary left by a killed
// run is removed by the next run in that folder, other files stay.
TEST_F(BatchCli, WriteFailuresGiveTheirReasonAndLeaveNoTemporaries)
{
    const std::string s = scan("x.bmp");
    makeFile(dir.file("Tx.bmp.txt.vellora-tmp.Ab3dEf"), "left by a killed run");
    makeFile(dir.file("notes.vellora-tmp.txt"), "the user's");
    RunResult r = runBatchExe({"x.bmp"}, dir.path(), [](gpointer) {
        const rlimit limit{100, 100};
        setrlimit(RLIMIT_FSIZE, &limit);
    });
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(hasLine(r.err, "x.bmp: could not write T.bmp.txt: File too large")) << r.err;
    auto files = filesIn(dir.path());
    EXPECT_EQ(files.size(), 3u) << "the scan, its context and the user's file: no temporary, no table";
    EXPECT_EQ(files["notes.vellora-tmp.txt"], "the user's");
}
