// The manifest of scan dates: accepted forms, refused lines named by number,
// and finding a scan's line.

#include <gtest/gtest.h>

#include <string>

#include "coretest.h"
#include "manifest.h"
#include "synth_fixtures.h"

namespace {

std::string errorsOf(const Manifest &m)
{
    std::string text;
    for (const ManifestError &e : m.errors) text += e.message + "\n";
    return text;
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
    EXPECT_EQ(errorsOf(m), "");
    ASSERT_EQ(m.entries.size(), 3u);
    EXPECT_EQ(m.entries[0].scan + " " + stamp(m.entries[0].start) + " " + stamp(m.entries[0].end),
              "a.tif 2002-03-16 04:00 2002-03-23 04:10");
    EXPECT_EQ(m.entries[1].scan + " " + stamp(m.entries[1].start) + " " + stamp(m.entries[1].end),
              "dir/b,2.tif 1955-12-31 23:59 1956-01-01 00:01");
    EXPECT_EQ(m.entries[1].line, 4);
    EXPECT_EQ(stamp(m.entries[2].end), "2000-02-29 12:00");
}

// Each bad line is refused with its number and why; the good lines stay.
TEST(Manifest, RefusesBadLinesNamingThem)
{
    const int longest = maxManifestSpanMinutes();
    EXPECT_EQ(longest, 20150) << "a table of 2016 ten-minute rows";
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
    EXPECT_EQ(errorsOf(m),
              "line 3: expected three fields scan,start,end, found \"two.tif,2002-03-16T04:00\"\n"
              "line 4: start \"2002-13-01T04:00\" is not a time YYYY-MM-DDTHH:MM\n"
              "line 5: end \"2002-03-16T4:30\" is not a time YYYY-MM-DDTHH:MM\n"
              "line 6: end 2002-03-16T03:59 is not after start 2002-03-16T04:00\n"
              "line 7: end 2002-03-16T04:00 is not after start 2002-03-16T04:00\n"
              "line 9: the span of 14 days 0 hours is longer than a table can hold (20150 minutes)\n"
              "line 10: \"ok.tif\" is listed on line 2 already\n"
              "line 11: the scan is empty\n"
              "line 12: expected three fields scan,start,end, found \"\"open.tif,2002-04-16T04:00,2002-04-23T04:00\"\n");
    EXPECT_TRUE(manifestRefusedScan(m, "/scans/long.tif"));
    EXPECT_FALSE(manifestRefusedScan(m, "/scans/fits.tif"));
}

TEST(Manifest, RefusesAMissingHeaderAndAnEmptyFile)
{
    EXPECT_EQ(errorsOf(parseManifest("a.tif,2002-03-16T04:00,2002-03-23T04:00\n")),
              "line 1: the header must be scan,start,end\n");
    EXPECT_EQ(errorsOf(parseManifest("\n \n")), "the manifest is empty; its header must be scan,start,end\n");
    Manifest m;
    EXPECT_FALSE(readManifest("no-such-dir/manifest.csv", m));
    EXPECT_EQ(errorsOf(m), "cannot read the manifest no-such-dir/manifest.csv\n");
}

// A bare file name matches the scan in any folder; a path only itself.
TEST(Manifest, FindsAScanByItsPathOrFileName)
{
    TempDir dir("manifest");
    makeFile(dir.file("m.csv"), "scan,start,end\n"
                                "a.tif,2002-03-16T04:00,2002-03-23T04:00\n"
                                "/archive/1955/b.tif,1955-03-16T04:00,1955-03-23T04:00\n");
    Manifest m;
    ASSERT_TRUE(readManifest(dir.file("m.csv"), m));
    const ManifestEntry *a = findManifestEntry(m, "/x/y/a.tif"), *b = findManifestEntry(m, "/archive/1955/b.tif");
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(a->line, 2);
    EXPECT_EQ(b->line, 3);
    EXPECT_EQ(findManifestEntry(m, "/elsewhere/b.tif"), nullptr);
    EXPECT_EQ(findManifestEntry(m, "/x/y/A.tif"), nullptr);
}
