#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "coretest.h"
#include "params.h"

// loadParamFile's result (0, -1 or the line it stopped at) and srcRadiusMM
// after reading the file over the defaults (150).
TEST(ParamFile, ResultLineAndValuesKept)
{
    const char binary[] = "srcRadiusMM 9\n\0\xff\x01srcRadiusMM 5\n";
    const struct {
        std::string content;
        int result;
        double radius;
    } cases[] = {
        {"", 0, 150},
        {"# comment\r\n\r\n\n#srcRadiusMM 1\n", 0, 150},
        {"srcRadiusMMx 120\nsrcRadiusMM 7\r\nsrcRadiusMM 8", 0, 8},  // key prefix; last wins; no final LF
        {"srcRadiusMM 9\nsrcInkColor 10 20 300\nsrcRadiusMM 1\n", 2, 9},  // stops at the first bad line
        {"# x\n  srcRadiusMM 1\n", 2, 150},  // keys start the line
        {"srcRadiusMM nan\n", 1, 150},
        {"numFieldPassPoints 99999999999\n", 1, 150},
        // A 500-character comment arrives in pieces; its later pieces are no key lines.
        {"srcRadiusMM 2\n#" + std::string(500, 'x') + "\nsrcRadiusMM 3\n", 3, 2},
        {"srcRadiusMM" + std::string(100000, 'y') + " 4\n", 1, 150},  // a huge key word neither overflows nor parses
        {std::string(binary, sizeof binary - 1), 2, 9},  // binary bytes stop reading
    };
    for (const auto &c : cases) {
        Params p;
        setParamDefaults(p);
        makeFile("test.ini", c.content);
        EXPECT_EQ(loadParamFile(p, "test.ini"), c.result) << c.content.substr(0, 40);
        EXPECT_EQ(p.srcRadiusMM, c.radius) << c.content.substr(0, 40);
    }
    Params p;
    setParamDefaults(p);
    EXPECT_EQ(loadParamFile(p, "no-such-file.ini"), -1);
    makeFile("test.ini", "dstPixelsPerMM 10\nminKnotWeight 99.7\nsrcInkColor 10 20 300\nedgePassColor 1 2 3\n");
    EXPECT_EQ(loadParamFile(p, "test.ini"), 3);
    // No component of a bad colour is written, nothing is read after the bad line.
    EXPECT_TRUE(p.dstPixelsPerMM == 10.0 && p.minKnotWeight == 99 && p.srcInkColor[0] == 155 && p.edgePassColor[2] == 0);
}

// The file's numbers carry a point; a decimal-comma locale must not cut them.
TEST(ParamFile, PointNumbersInADecimalCommaLocale)
{
    ASSERT_TRUE(useDecimalCommaLocale());
    Params p;
    setParamDefaults(p);
    makeFile("test.ini", "srcFieldWidthMM 286.5\nsrcFieldDistMM 10.7\ndstCurveFilter 0.5\n");
    EXPECT_EQ(loadParamFile(p, "test.ini"), 0);
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(p.srcFieldWidthMM, 286.5);
    EXPECT_EQ(p.srcFieldDistMM, 10.7);
    EXPECT_EQ(p.dstCurveFilter, 0.5);
}
