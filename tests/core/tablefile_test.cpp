// SPDX-License-Identifier: GPL-3.0-or-later
// Table and CSV files, and the atomic writes under them.
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

#include <glib/gstdio.h>

#include "atomicfile.h"
#include "coretest.h"
#include "csvfile.h"
#include "tablefile.h"

const TableRow kRows[] = {
    {0, 0, 2004, 7, 1, 13, 0, 23.4},
    {0, 0, 2004, 7, 1, 13, 10, -5.2},
    {0, 0, 2004, 12, 31, 9, 50, 100.0},
};

TEST(TableFile, NamesExactBytesOfBothFilesAndNoneWithoutRows)
{
    const char *cases[][3] = {
        {"/scans/2004/x0815.tif", "/scans/2004/T0815.tif.txt", "/scans/2004/F0815.tif.txt"},
        {"C:\\scans\\x0815.tif", "C:\\scans\\T0815.tif.txt", "C:\\scans\\F0815.tif.txt"},
        {"d/e\\f/ab.jpg", "d/e\\f/Tb.jpg.txt", "d/e\\f/Fb.jpg.txt"},
        {"a.bmp", "T.bmp.txt", "F.bmp.txt"},
    };
    for (auto &c : cases)
        EXPECT_EQ(tableFileName(c[0], 0) + " " + tableFileName(c[0], 1), std::string(c[1]) + " " + c[2]);
    ASSERT_EQ(writeTableFile(tableFileName("x.tif", 0), 0, 10, kRows, 3), 0);
    ASSERT_EQ(writeTableFile(tableFileName("x.tif", 1), 1, 60, kRows, 3), 0);
    EXPECT_EQ(fileContents("T.tif.txt"),
              "01.07.2004 13.00  +23.4\n"
              "01.07.2004 13.10   -5.2\n"
              "31.12.2004 09.50 +100.0\n");
    EXPECT_EQ(fileContents("F.tif.txt"),
              "01.07.2004 13.00  23.4\n"
              "01.07.2004 13.00  -5.2\n"
              "31.12.2004 09.00 100.0\n");
    // No table, no file: an empty file would look like a written table. The
    // writes themselves are the atomic file's.
    EXPECT_EQ(writeTableFile("empty.txt", 0, 60, kRows, 0), -1);
    EXPECT_FALSE(g_file_test("empty.txt", G_FILE_TEST_EXISTS));
}

// The CSV that spreadsheets and pandas read: both tables by time, a cell left
// empty where a field has no row, the flags of bridged rows, ISO 8601 times
// with the UTC offset when it is known, the column named after the unit.
TEST(CsvFile, ExactBytes)
{
    const std::vector<TableRow> temperature(kRows, kRows + 2), humidity(kRows + 1, kRows + 3);
    const std::vector<double> bridged[2] = {{0.0, 2.5}, {0.3, 0.0}};
    const CsvField fields[2] = {{&temperature, &bridged[0]}, {&humidity, &bridged[1]}};
    EXPECT_EQ(csvFileText(fields, CsvClock{true, -210}, TempFahrenheit),
              "time,temperature_F,humidity_pct,flags\n"
              "2004-07-01T13:00-03:30,23.4,,\n"
              "2004-07-01T13:10-03:30,-5.2,-5.2,T:bridged_h=2.5|F:bridged_h=0.3\n"
              "2004-12-31T09:50-03:30,,100.0,\n");
    const CsvField temperatureOnly[2] = {{&temperature, nullptr}, {nullptr, nullptr}};
    EXPECT_EQ(csvFileText(temperatureOnly, CsvClock{false, 0}, TempCelsius),
              "time,temperature_C,humidity_pct,flags\n"
              "2004-07-01T13:00,23.4,,\n"
              "2004-07-01T13:10,-5.2,,\n");
}

// Concurrent writers that must not replace: exactly one creates the file,
// every other is told it exists, and the content is the winner's whole.
TEST(AtomicFile, KeepLetsExactlyOneOfConcurrentWritersCreateTheFile)
{
    for (int round = 0; round < 20; ++round) {
        const std::string path = "race" + std::to_string(round) + ".txt";
        g_unlink(path.c_str());  // from an earlier run of the test
        std::vector<int> results(6), errors(6);
        std::vector<std::thread> writers;
        for (int w = 0; w < 6; ++w)
            writers.emplace_back([&, w] {
                results[w] = writeFileAtomic(path, std::string(1000, char('a' + w)), FileReplace::Keep);
                errors[w] = errno;
            });
        for (std::thread &t : writers) t.join();
        int created = 0;
        for (int w = 0; w < 6; ++w) {
            created += results[w] == 0;
            EXPECT_TRUE(results[w] == 0 || errors[w] == EEXIST) << g_strerror(errors[w]);
        }
        EXPECT_EQ(created, 1);
        const std::string content = fileContents(path);
        EXPECT_EQ(content, std::string(1000, content[0]));
    }
}

// A temporary of a killed writer goes; one whose writer still holds it, or a
// file that merely looks alike, stays.
TEST(AtomicFile, StaleTemporariesAreRemovedLiveOnesKept)
{
    g_mkdir_with_parents("stale", 0755);
    for (const char *name : {"T1.txt.vellora-tmp.aB3dEf", "live.vellora-tmp.Zz9yX8", "a.vellora-tmp.toolong",
                             ".vellora-tmp.abcdef", "user.txt"})
        makeFile(std::string("stale/") + name, "x");
    const int held = open("stale/live.vellora-tmp.Zz9yX8", O_RDONLY);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    EXPECT_EQ(removeStaleTemporaries("stale"), 1);
    close(held);
    for (const char *kept : {"live.vellora-tmp.Zz9yX8", "a.vellora-tmp.toolong", ".vellora-tmp.abcdef", "user.txt"})
        EXPECT_TRUE(g_file_test((std::string("stale/") + kept).c_str(), G_FILE_TEST_EXISTS)) << kept;
    EXPECT_EQ(writeFileAtomic("no-such-dir/x", "y"), -1);
    EXPECT_EQ(errno, ENOENT);
}
