#include <cstdio>
#include <fstream>
#include <sstream>

#include <glib/gstdio.h>
#include <gtest/gtest.h>

#include "tablefile.h"

namespace {

const TableRow kRows[] = {
    {0, 0, 2004, 7, 1, 13, 0, 23.4},
    {0, 0, 2004, 7, 1, 13, 10, -5.2},
    {0, 0, 2004, 12, 31, 9, 50, 100.0},
};

std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

TEST(TableFile, Labels)
{
    EXPECT_EQ(dateLabel(10, kRows[0]), "01.07.2004 13.00");
    EXPECT_EQ(dateLabel(10, kRows[1]), "01.07.2004 13.10");
    EXPECT_EQ(dateLabel(60, kRows[1]), "01.07.2004 13.00");
    EXPECT_EQ(valueLabel(0, 23.4), " +23.4");
    EXPECT_EQ(valueLabel(0, -5.2), "  -5.2");
    EXPECT_EQ(valueLabel(1, 55.0), " 55.0");
    EXPECT_EQ(valueLabel(1, 100.0), "100.0");
}

TEST(TableFile, Names)
{
    EXPECT_EQ(tableFileName("/scans/2004/x0815.tif", 0), "/scans/2004/T0815.tif.txt");
    EXPECT_EQ(tableFileName("/scans/2004/x0815.tif", 1), "/scans/2004/F0815.tif.txt");
    EXPECT_EQ(tableFileName("C:\\scans\\x0815.tif", 0), "C:\\scans\\T0815.tif.txt");
    EXPECT_EQ(tableFileName("d/e\\f/ab.jpg", 1), "d/e\\f/Fb.jpg.txt");
    EXPECT_EQ(tableFileName("a.bmp", 0), "T.bmp.txt");
    EXPECT_EQ(tableFileName("a.bmp", 1), "F.bmp.txt");
}

TEST(TableFile, ExactBytesOfBothFiles)
{
    const std::string temp = tableFileName("x.tif", 0), hygro = tableFileName("x.tif", 1);
    ASSERT_EQ(writeTableFile(temp, 0, 10, kRows, 3), 0);
    ASSERT_EQ(writeTableFile(hygro, 1, 60, kRows, 3), 0);
    EXPECT_EQ(readFile("T.tif.txt"),
              "01.07.2004 13.00  +23.4\n"
              "01.07.2004 13.10   -5.2\n"
              "31.12.2004 09.50 +100.0\n");
    EXPECT_EQ(readFile("F.tif.txt"),
              "01.07.2004 13.00  23.4\n"
              "01.07.2004 13.00  -5.2\n"
              "31.12.2004 09.00 100.0\n");
    EXPECT_EQ(tableFileText(1, 60, kRows, 3), readFile("F.tif.txt"));

    // Rewriting replaces the whole content.
    ASSERT_EQ(writeTableFile(temp, 0, 10, kRows, 1), 0);
    EXPECT_EQ(readFile("T.tif.txt"), "01.07.2004 13.00  +23.4\n");
    g_remove(temp.c_str());
    g_remove(hygro.c_str());
}

TEST(TableFile, FailuresLeaveNoPartialFile)
{
    EXPECT_EQ(writeTableFile("no-such-dir/T.txt", 0, 60, kRows, 3), -1);
    EXPECT_EQ(writeTableFile("empty.txt", 0, 60, kRows, 0), -1);
    EXPECT_FALSE(g_file_test("empty.txt", G_FILE_TEST_EXISTS));

    // A name taken by a folder cannot be replaced; the folder stays.
    ASSERT_EQ(g_mkdir("Tdir.txt", 0755), 0);
    EXPECT_EQ(writeTableFile("Tdir.txt", 0, 60, kRows, 3), -1);
    EXPECT_TRUE(g_file_test("Tdir.txt", G_FILE_TEST_IS_DIR));
    g_rmdir("Tdir.txt");
}
