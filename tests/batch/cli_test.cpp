// The vellora-batch executable end to end: failures and their texts, exit
// status, file handling and parallel runs.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "batch_fixtures.h"

using namespace batchtest;

namespace {

const guchar kWhite[3] = {255, 255, 255};

std::string lineOf(const std::string &text, const std::string &start)
{
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.compare(0, start.size(), start) == 0)
            return line;
    }
    return std::string();
}

// The names in a folder, sorted.
std::vector<std::string> listDir(const std::string &path)
{
    std::vector<std::string> names;
    GDir *dir = g_dir_open(path.c_str(), 0, nullptr);
    if (!dir)
        return names;
    while (const char *name = g_dir_read_name(dir))
        names.push_back(name);
    g_dir_close(dir);
    std::sort(names.begin(), names.end());
    return names;
}

std::string sameFolder(std::string text, const std::string &from, const std::string &to)
{
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

struct BadScan {
    const char *name;
    const char *expected;  // text on standard error after "PATH: "
};

class BatchCli : public ::testing::Test {
protected:
    std::string good(const std::string &name, const std::map<std::string, std::string> &records = {})
    {
        std::string path = dir / name;
        writeUniformScan(path, "bmp", 3, defaultInk());
        writeCtx(path, records);
        return path;
    }

    TempDir dir;
};

TEST_F(BatchCli, EveryBadInputFailsItsScanWithTheGuiTextAndTouchesNothing)
{
    std::vector<std::string> scans;
    // Not an image at all.
    writeFile(dir / "xnoimage.tif", "this is no image");
    writeCtx(dir / "xnoimage.tif", {});
    // Four channels.
    writeUniformScan(dir / "xalpha.png", "png", 4, defaultInk());
    writeCtx(dir / "xalpha.png", {});
    // No file context, a folder in its place, a damaged record.
    writeUniformScan(dir / "xnoctx.bmp", "bmp", 3, defaultInk());
    writeUniformScan(dir / "xdirctx.bmp", "bmp", 3, defaultInk());
    g_mkdir((dir / "xdirctx.bmp.ctx").c_str(), 0755);
    good("xdamaged.bmp", {{"Pass2", "1 40.0 oops"}});
    good("xshort.bmp", {{"Pass2", "1 40.0 239.9"}});
    good("xbaddate.bmp", {{"DateVal1", "y 2004 m 02 d 30 h 12 m 00"}});
    good("xbackward.bmp", {{"DateVal2", "y 2003 m 07 d 02 h 12 m 00"}});
    good("xtoolong.bmp", {{"DateVal2", "y 2004 m 07 d 16 h 12 m 00"}, {"TimeStep", "10"}});
    writeUniformScan(dir / "xnoink.bmp", "bmp", 3, kWhite);
    writeCtx(dir / "xnoink.bmp", {});
    std::string ok = good("aok.bmp");

    const std::string d = dir.path() + "/";
    const BadScan bad[] = {
        {"xnoimage.tif", "could not load image-file "},
        {"xalpha.png", "wrong number of colorchannels instead of 3 in "},
        {"xnoctx.bmp", "missing file context "},
        {"xdirctx.bmp", "could not read file context "},
        {"xdamaged.bmp", "damaged record Pass2=1 40.0 oops in file context "},
        {"xshort.bmp",
         "could not cut out temperature and hygro images. Please set better pass points"},
        {"xbaddate.bmp", "temperature: invalid start date"},
        {"xbackward.bmp", "temperature: start date is not before end date"},
        {"xtoolong.bmp", "temperature: table too long, check dates"},
        {"xnoink.bmp", "temperature: missing curve"},
    };
    std::vector<std::string> args = {"-j", "2", ok};
    std::map<std::string, std::string> ctxBefore;
    for (const BadScan &b : bad) {
        args.push_back(d + b.name);
        ctxBefore[b.name] = readFile(d + b.name + ".ctx");
    }

    RunResult r = runBatchExe(args, dir.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(countLines(r.out), 11);
    EXPECT_EQ(lineOf(r.out, ok).substr(ok.size(), 4), "\tok\t");
    EXPECT_TRUE(fileExists(d + "Tok.bmp.txt"));
    for (const BadScan &b : bad) {
        std::string path = d + b.name;
        SCOPED_TRACE(path);
        EXPECT_NE(lineOf(r.err, path + ": " + b.expected), "") << r.err;
        EXPECT_NE(lineOf(r.out, path + "\t" + b.expected), "") << r.out;
        std::string base = std::string(b.name).substr(1);
        EXPECT_FALSE(fileExists(d + "T" + base + ".txt"));
        EXPECT_FALSE(fileExists(d + "F" + base + ".txt"));
        EXPECT_EQ(readFile(path + ".ctx"), ctxBefore[b.name]);
    }
    // Both fields report a date failure, each once.
    EXPECT_NE(r.err.find(d + "xbaddate.bmp: hygrometer: invalid start date"), std::string::npos);
    // Nothing but the inputs and the good scan's two tables is left.
    EXPECT_EQ(listDir(dir.path()).size(), 2u * 11 - 1 + 2);
}

TEST_F(BatchCli, AFieldWithoutTableWritesNothingAndFailsTheScan)
{
    // Search windows below the hygrometer field: no ink there.
    std::map<std::string, std::string> windows;
    for (int x = 0; x < 2347; ++x) {
        char key[16];
        std::snprintf(key, sizeof key, "Bot1_%04d", x);
        windows[key] = "700";
        std::snprintf(key, sizeof key, "Top1_%04d", x);
        windows[key] = "800";
    }
    std::string scan = good("x1.bmp", windows);
    RunResult r = runBatchExe({scan}, dir.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, scan + ": hygrometer: missing curve\n");
    EXPECT_EQ(countLines(readFile(dir / "T1.bmp.txt")), 25);
    EXPECT_FALSE(fileExists(dir / "F1.bmp.txt"));
}

TEST_F(BatchCli, UsageErrorsExitTwoAndWriteNothing)
{
    std::string scan = good("x1.bmp");
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"--step", "30", scan},
        {"--jobs", "0", scan},
        {"-j", "257", scan},
        {"--smoothness", "31", scan},
        {"--frobnicate", scan},
        {"--step"},
        {"--station-id", "BERN", scan},
        {"--sef", "--lat", "91", scan},
        {"--sef", "--utc-offset", "0.3333", scan},
        {"--sef", "--source", "a/b", scan},
        {"--params", dir / "missing.ini", scan},
    };
    for (const auto &args : cases) {
        RunResult r = runBatchExe(args, dir.path());
        std::string joined;
        for (const auto &a : args)
            joined += a + " ";
        SCOPED_TRACE(joined);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.compare(0, 15, "vellora-batch: "), 0) << r.err;
    }
    EXPECT_FALSE(fileExists(dir / "T1.bmp.txt"));
    EXPECT_EQ(runBatchExe({"--help"}, dir.path()).status, 0);
}

TEST_F(BatchCli, ExistingTablesAreKeptWithoutForceAndReplacedWithIt)
{
    std::string scan = good("x1.bmp");
    RunResult first = runBatchExe({scan}, dir.path());
    ASSERT_EQ(first.status, 0) << first.err;
    std::string table = readFile(dir / "T1.bmp.txt");
    ASSERT_EQ(countLines(table), 25);
    EXPECT_EQ(table.compare(0, 17, "01.07.2004 12.00 "), 0);
    EXPECT_EQ(lineOf(table, "02.07.2004 12.00 ").size(), 23u);

    writeFile(dir / "T1.bmp.txt", "edited by hand\n");
    RunResult kept = runBatchExe({scan}, dir.path());
    EXPECT_EQ(kept.status, 1);
    EXPECT_NE(kept.err.find("file exists, not replaced (use --force): " + dir / "T1.bmp.txt"),
              std::string::npos);
    EXPECT_NE(kept.err.find(dir / "F1.bmp.txt"), std::string::npos);
    EXPECT_EQ(readFile(dir / "T1.bmp.txt"), "edited by hand\n");

    RunResult forced = runBatchExe({"--force", scan}, dir.path());
    EXPECT_EQ(forced.status, 0) << forced.err;
    EXPECT_EQ(readFile(dir / "T1.bmp.txt"), table);
    // No temporary file is left behind.
    EXPECT_EQ(listDir(dir.path()).size(), 4u);
}

TEST_F(BatchCli, TwoJobsWriteWhatOneJobWrites)
{
    std::vector<std::string> scans;
    for (int i = 1; i <= 6; ++i) {
        char end[64];
        std::snprintf(end, sizeof end, "y 2004 m 07 d %02d h %02d m 30", 2 + i % 3, 6 + i);
        scans.push_back(good("x" + std::to_string(i) + ".bmp", {{"DateVal2", end}}));
    }
    scans.push_back(dir / "missing.bmp");
    auto run = [&](const char *jobs, const char *out) {
        std::vector<std::string> args = {"--jobs", jobs, "--sef", "--output-dir", dir / out,
                                         "--step", "10"};
        args.insert(args.end(), scans.begin(), scans.end());
        return runBatchExe(args, dir.path());
    };
    RunResult serial = run("1", "serial");
    RunResult parallel = run("2", "parallel");
    EXPECT_EQ(serial.status, 1);
    EXPECT_EQ(parallel.status, 1);
    EXPECT_EQ(sameFolder(parallel.out, "/parallel/", "/serial/"), serial.out);
    EXPECT_EQ(sameFolder(parallel.err, "/parallel/", "/serial/"), serial.err);
    // Scans 1 and 4 (2 and 5, 3 and 6) share their SEF file names: the
    // earlier scan in the input wins in both runs.
    std::vector<std::string> names = listDir(dir / "serial");
    EXPECT_EQ(names.size(), 6u * 2 + 3 * 2);
    EXPECT_NE(lineOf(parallel.out, scans[3] + "\tfile exists, not replaced"), "");
    ASSERT_EQ(listDir(dir / "parallel"), names);
    for (const std::string &n : names)
        EXPECT_EQ(readFile(dir / ("parallel/" + n)), readFile(dir / ("serial/" + n))) << n;
    // Nothing was written beside the scans.
    EXPECT_FALSE(fileExists(dir / "T1.bmp.txt"));
}

TEST_F(BatchCli, TimeStepComesFromTheOptionElseTheScanElseSixty)
{
    std::string scan = good("x1.bmp", {{"TimeStep", "10"}});
    EXPECT_EQ(runBatchExe({scan}, dir.path()).status, 0);
    EXPECT_EQ(countLines(readFile(dir / "F1.bmp.txt")), 145);
    EXPECT_EQ(runBatchExe({"--force", "--step", "60", scan}, dir.path()).status, 0);
    EXPECT_EQ(countLines(readFile(dir / "F1.bmp.txt")), 25);
}

TEST_F(BatchCli, PaperSpeedWarningDoesNotFailTheScan)
{
    writeFile(dir / "vellora.ini", "srcMMPerHour 2.5\n");
    std::string scan = good("x1.bmp");
    RunResult r = runBatchExe({"--quiet", scan}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find(scan + ": warning: temperature: paper speed not exact, please check "
                                "dates, mmPerHour=12.218750, should be srcMMPerHour=2.500000"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("hygrometer: paper speed not exact"), std::string::npos);
}

TEST_F(BatchCli, SefFilesCarryTheStationAndUtcTimes)
{
    std::string scan = good("x1.bmp", {{"DateVal1", "y 2004 m 12 d 31 h 00 m 00"},
                                       {"DateVal2", "y 2005 m 01 d 01 h 00 m 00"}});
    RunResult r = runBatchExe({"--sef", "--station-id", "BRN", "--source", "ARCH",
                               "--station-name", "Bern Observatory", "--lat", "46.95", "--lon",
                               "7.44", "--utc-offset", "1", scan},
                              dir.path());
    ASSERT_EQ(r.status, 0) << r.err;
    std::string ta = readFile(dir / "ARCH_BRN_20041230-20041231_ta.tsv");
    EXPECT_EQ(ta.substr(0, ta.find("Year")),
              "SEF\t1.0.0\nID\tBRN\nName\tBern Observatory\nLat\t46.95\nLon\t7.44\nAlt\tNA\n"
              "Source\tARCH\nLink\tNA\nVbl\tta\nStat\tpoint\nUnits\tC\n"
              "Meta\tutc_offset=+1|scan=x1.bmp\n");
    EXPECT_EQ(countLines(ta), 13 + 25);
    EXPECT_EQ(lineOf(ta, "2004\t12\t30\t").substr(0, 18), "2004\t12\t30\t23\t0\t0\t");
    std::string rh = readFile(dir / "ARCH_BRN_20041230-20041231_rh.tsv");
    EXPECT_NE(rh.find("Vbl\trh\n"), std::string::npos);
    EXPECT_NE(rh.find("Units\t%\n"), std::string::npos);
}

} // namespace
