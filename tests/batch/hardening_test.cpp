// SPDX-License-Identifier: GPL-3.0-or-later
// vellora-batch against colliding names, interrupted and concurrent runs and
// failing writes: each case once looked like success. (Damaged images: the
// CLI test's failures.)

#include <glib/gstdio.h>
#include <sys/resource.h>

#include <thread>

#include "batch_fixtures.h"

using namespace batchtest;

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
