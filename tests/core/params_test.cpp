#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "params.h"

namespace {

class ParamFileTest : public ::testing::Test {
protected:
    void SetUp() override { setParamDefaults(p); }

    int load(const std::string &content)
    {
        FILE *f = std::fopen("test.ini", "wb");
        std::fwrite(content.data(), 1, content.size(), f);
        std::fclose(f);
        return loadParamFile(p, "test.ini");
    }

    Params p;
};

TEST_F(ParamFileTest, MissingEmptyAndCommentOnlyFilesKeepDefaults)
{
    EXPECT_EQ(-1, loadParamFile(p, "no-such-file.ini"));
    EXPECT_EQ(0, load(""));
    EXPECT_EQ(0, load("# comment\r\n\r\n\n#srcRadiusMM 1\n"));
    EXPECT_DOUBLE_EQ(150.0, p.srcRadiusMM);
    EXPECT_DOUBLE_EQ(8.0, p.dstPixelsPerMM);
    EXPECT_EQ(155, p.srcInkColor[0]);
    EXPECT_EQ(192, p.srcInkColor[2]);
}

TEST_F(ParamFileTest, ReadsValuesAndStopsAtFirstBadLine)
{
    EXPECT_EQ(3, load("dstPixelsPerMM 10\nminKnotWeight 150.7\nsrcInkColor 10 20 300\nsrcRadiusMM 1\n"));
    EXPECT_DOUBLE_EQ(10.0, p.dstPixelsPerMM);
    EXPECT_EQ(150, p.minKnotWeight);
    EXPECT_EQ(155, p.srcInkColor[0]);  // none of the three written
    EXPECT_DOUBLE_EQ(150.0, p.srcRadiusMM);  // after the bad line: not read
}

TEST_F(ParamFileTest, KeyIsAPrefixTestAtLineStart)
{
    EXPECT_EQ(0, load("srcRadiusMMx 120\nsrcMMPerHour 5\nsrcMMPerHour 7\r\nedgePassColor 1 2 3"));
    EXPECT_DOUBLE_EQ(120.0, p.srcRadiusMM);
    EXPECT_DOUBLE_EQ(7.0, p.srcMMPerHour);  // last line wins, no final line feed needed
    EXPECT_EQ(3, p.edgePassColor[2]);
    EXPECT_EQ(2, load("# x\n  srcRadiusMM 1\n"));
    EXPECT_EQ(1, load("unknownKey 1\n"));
    EXPECT_EQ(1, load("srcRadiusMM nan\n"));
    EXPECT_EQ(1, load("numFieldPassPoints 99999999999\n"));
}

TEST_F(ParamFileTest, LongLinesAreReadInCountedPieces)
{
    // A 500-character comment: its second and third pieces are no key lines.
    EXPECT_EQ(3, load("srcRadiusMM 2\n#" + std::string(500, 'x') + "\nsrcRadiusMM 3\n"));
    EXPECT_DOUBLE_EQ(2.0, p.srcRadiusMM);
    // A key word far beyond the buffer must neither overflow nor parse.
    EXPECT_EQ(1, load("srcRadiusMM" + std::string(100000, 'y') + " 4\n"));
    EXPECT_DOUBLE_EQ(2.0, p.srcRadiusMM);
}

TEST_F(ParamFileTest, BinaryBytesStopReading)
{
    const char data[] = "srcRadiusMM 9\n\0\xff\x01srcRadiusMM 5\n";
    EXPECT_EQ(2, load(std::string(data, sizeof data - 1)));
    EXPECT_DOUBLE_EQ(9.0, p.srcRadiusMM);
    EXPECT_EQ(1, load("\xff\xfe\x80 1 2 3"));
}

TEST(ParamParsers, WriteTargetOnlyOnSuccess)
{
    unsigned char rgb[3] = {7, 8, 9};
    EXPECT_EQ(1, parseColorParam("k 1 2", rgb));
    EXPECT_EQ(1, parseColorParam("k -1 2 3", rgb));
    EXPECT_EQ(7, rgb[0]);
    EXPECT_EQ(0, parseColorParam("k 0 128 255", rgb));
    EXPECT_EQ(255, rgb[2]);

    double d = 1.0;
    EXPECT_EQ(1, parseDoubleParam("k", &d));
    EXPECT_EQ(1, parseDoubleParam("k inf", &d));
    EXPECT_EQ(0, parseDoubleParam(("k" + std::string(10000, 'z') + " 7.25").c_str(), &d));
    EXPECT_DOUBLE_EQ(7.25, d);

    int i = 3;
    EXPECT_EQ(1, parseIntParam("k x", &i));
    EXPECT_EQ(3, i);
}

} // namespace
