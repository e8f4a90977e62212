// SPDX-License-Identifier: GPL-3.0-or-later
// The manifest of scan dates: accepted forms, refused lines named by number,
// and finding a scan's line.

#include "coretest.h"
#include "manifest.h"

namespace {

// The line of every error; a numbered line's message names it first.
std::vector<int> errorLines(const Manifest &m)
{
    std::vector<int> lines;
    for (const ManifestError &e : m.errors) {
        lines.push_back(e.line);
        if (e.line > 0) {
            EXPECT_EQ(e.message.rfind("line " + std::to_string(e.line) + ": ", 0), 0u) << e.message;
        }
    }
    return lines;
}

}  // namespace

TEST(Manifest, ReadsBothTimeFormsQuotesBlankLinesAndCrLf)
{
    Manifest m = parseManifest(
        "Scan, Start ,END\r\n"
        "a.tif,2002-03-16T04:00,2002-03-23T04:10\r\n"
        "\n"
        "\"dir/b,2.tif\",1955-12-31 23:59,1956-01-01 00:01\n"
        "c.jpg , 2000-02-28T12:00 , 2000-02-29T12:00");
    EXPECT_EQ(errorLines(m), std::vector<int>());
    ASSERT_EQ(m.entries.size(), 3u);
    EXPECT_EQ(m.entries[0].scan + " " + stamp(m.entries[0].start) + " " + stamp(m.entries[0].end),
              "a.tif 2002-03-16 04:00 2002-03-23 04:10");
    EXPECT_EQ(m.entries[1].scan + " " + stamp(m.entries[1].start) + " " + stamp(m.entries[1].end),
              "dir/b,2.tif 1955-12-31 23:59 1956-01-01 00:01");
    EXPECT_EQ(m.entries[1].line, 4);
    EXPECT_EQ(stamp(m.entries[2].end), "2000-02-29 12:00");
}

// Each bad line is refused under its number and the good lines stay: too few
// fields, a bad start or end, an end not after the start, a span of more
// than 2016 ten-minute rows, a scan listed twice or empty, an open quote. A
// file without its header or any line is refused as a whole.
TEST(Manifest, RefusesBadLinesNamingThem)
{
    Manifest m = parseManifest(
        "scan,start,end\n"
        "ok.tif,2002-03-16T04:00,2002-03-23T04:00\n"
        "two.tif,2002-03-16T04:00\n"
        "month.tif,2002-13-01T04:00,2002-12-02T04:00\n"
        "short.tif,2002-03-16T04:00,2002-03-16T4:30\n"
        "back.tif,2002-03-16T04:00,2002-03-16T03:59\n"
        "same.tif,2002-03-16T04:00,2002-03-16T04:00\n"
        "fits.tif,2002-03-01T00:00,2002-03-14T23:50\n"
        "long.tif,2002-03-01T00:00,2002-03-15T00:00\n"
        "ok.tif,2002-04-16T04:00,2002-04-23T04:00\n"
        ",2002-04-16T04:00,2002-04-23T04:00\n"
        "\"open.tif,2002-04-16T04:00,2002-04-23T04:00\n");
    ASSERT_EQ(m.entries.size(), 2u);
    EXPECT_EQ(m.entries[1].scan, "fits.tif");
    EXPECT_EQ(errorLines(m), std::vector<int>({3, 4, 5, 6, 7, 9, 10, 11, 12}));
    EXPECT_TRUE(manifestRefusedScan(m, "/scans/long.tif"));
    EXPECT_FALSE(manifestRefusedScan(m, "/scans/fits.tif"));

    EXPECT_EQ(errorLines(parseManifest("a.tif,2002-03-16T04:00,2002-03-23T04:00\n")), std::vector<int>({1}));
    EXPECT_EQ(errorLines(parseManifest("\n \n")), std::vector<int>({0}));
    Manifest unread;
    EXPECT_FALSE(readManifest("no-such-dir/manifest.csv", unread));
    EXPECT_EQ(errorLines(unread), std::vector<int>({0}));
}

// A bare file name matches the scan in any folder; a path only itself.
TEST(Manifest, FindsAScanByItsPathOrFileName)
{
    const Manifest m = parseManifest("scan,start,end\n"
                                     "a.tif,2002-03-16T04:00,2002-03-23T04:00\n"
                                     "/archive/1955/b.tif,1955-03-16T04:00,1955-03-23T04:00\n");
    const ManifestEntry *a = findManifestEntry(m, "/x/y/a.tif"), *b = findManifestEntry(m, "/archive/1955/b.tif");
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(a->line, 2);
    EXPECT_EQ(b->line, 3);
    EXPECT_EQ(findManifestEntry(m, "/elsewhere/b.tif"), nullptr);
    EXPECT_EQ(findManifestEntry(m, "/x/y/A.tif"), nullptr);
}
