// SPDX-License-Identifier: GPL-3.0-or-later

#include "coretest.h"

namespace {

// loadParamFile on a file of the text.
int loadText(Params &p, const std::string &text)
{
    makeFile("test.ini", text);
    return loadParamFile(p, "test.ini");
}

}  // namespace

// loadParamFile's result (0, -1 or the line it stopped at) and srcRadiusMM
// after reading the file over the defaults (150).
TEST(ParamFile, ResultLineAndValuesKept)
{
    const char binary[] = "srcRadiusMM 9\n\0\xff\x01srcRadiusMM 5\n";
    const struct { std::string content; int result; double radius; } cases[] = {
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
        Params p = defaultParams();
        EXPECT_EQ(loadText(p, c.content), c.result) << c.content.substr(0, 40);
        EXPECT_EQ(p.srcRadiusMM, c.radius) << c.content.substr(0, 40);
    }
    Params p = defaultParams();
    EXPECT_EQ(loadParamFile(p, "no-such-file.ini"), -1);
    EXPECT_EQ(loadText(p, "dstPixelsPerMM 10\nminKnotWeight 99.7\nsrcInkColor 10 20 300\nedgePassColor 1 2 3\n"), 3);
    // No component of a bad colour is written, nothing is read after the bad line.
    EXPECT_EQ(std::vector<double>({p.dstPixelsPerMM, double(p.minKnotWeight), double(p.srcInkColor[0]), double(p.edgePassColor[2])}),
              std::vector<double>({10, 99, 155, 0}));
}

// The file's numbers carry a point; a decimal-comma locale must not cut them.
TEST(ParamFile, PointNumbersInADecimalCommaLocale)
{
    ASSERT_TRUE(useDecimalCommaLocale());
    Params p = defaultParams();
    EXPECT_EQ(loadText(p, "srcFieldWidthMM 286.5\nsrcFieldDistMM 10.7\ndstCurveFilter 0.5\n"), 0);
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(std::vector<double>({p.srcFieldWidthMM, p.srcFieldDistMM, p.dstCurveFilter}),
              std::vector<double>({286.5, 10.7, 0.5}));
}

// The profile keys: each sets only its own value, a bad value stops reading at
// its line, and unset keys follow the standard keys whatever the line order.
TEST(ParamFile, ProfileKeysAndTheirFailures)
{
    Params p = defaultParams();
    ASSERT_EQ(loadText(p, "srcHygroFieldHeightMM 90\ntempScale 110 0\ntempUnit F\n"
                          "hygroScale 100 0 50 40.5 0 66\r\nhygroInkColor 40 70 200\n"), 0);
    EXPECT_EQ(paramFileText(p).substr(paramFileText(p).find("numFieldPassPoints 0\n") + 21),
              "srcHygroFieldHeightMM 90\ntempScale 110 0\ntempUnit F\nhygroScale 100 0 50 40.5 0 66\n"
              "hygroInkColor 40 70 200\n");
    EXPECT_EQ(std::vector<double>({fieldHeightMM(p, 0), double(p.srcInkColor[0])}), std::vector<double>({82, 155}));

    const char *bad[] = {
        "srcHygroFieldHeightMM 0", "srcHygroFieldHeightMM -82", "srcHygroFieldHeightMM 82,5", "srcHygroFieldHeightMM",
        "tempScale 45", "tempScale 45 45", "tempScale 45 -35 x", "tempScale 45,0 -35",
        "tempUnit K", "tempUnit c", "tempUnit CF", "tempUnit",
        "hygroScale 0 0", "hygroScale 0 0 100", "hygroScale 0 0 100 82 50", "hygroScale 0 10 100 5",
        "hygroScale 0 0 50 40 40 60 100 82", "hygroScale 0 0 110 82", "hygroScale 0 0 nan 82",
        "hygroInkColor 1 2 256", "hygroInkColor 1 2"};
    Params stopped = defaultParams();
    stopped.srcRadiusMM = 9;
    for (const char *line : bad) {
        setParamDefaults(p);
        EXPECT_EQ(loadText(p, std::string("srcRadiusMM 9\n") + line + "\nsrcRadiusMM 1\n"), 2) << line;
        EXPECT_EQ(paramFileText(p), paramFileText(stopped)) << line;
    }
    // A hygroScale line longer than the reader's buffer would arrive cut
    // after a whole pair "21.5 42.".
    std::string longLine = "hygroScale 0 0";
    for (int k = 1; k <= 40; ++k) longLine += " " + std::to_string(k) + ".5 " + std::to_string(2 * k) + ".25";
    setParamDefaults(p);
    EXPECT_EQ(loadText(p, longLine + "\n"), 1);
    EXPECT_EQ(p.hygroPairCount, 0);

    ASSERT_EQ(loadText(p, "srcFieldHeightMM 70\nsrcInkColor 1 2 3\n"), 0);
    EXPECT_EQ(std::vector<double>({fieldHeightMM(p, 1), double(hygroInkColorOf(p)[2])}), std::vector<double>({70, 3}));
}

// The text chartsynth writes beside its charts reads back to the same values.
TEST(ParamFile, WrittenTextReadsBackExactly)
{
    Params p = defaultParams();
    p.srcFieldWidthMM = 0.1 + 0.2;  // needs all 17 digits
    p.tempUnit = TempFahrenheit;
    p.hygroPairCount = 11;
    for (int k = 0; k <= 10; ++k) p.hygroPercent[k] = 100.0 - 10.0 * k, p.hygroMM[k] = 9.0 * k - 0.05 * k * k;
    Params q = defaultParams();
    ASSERT_EQ(loadText(q, paramFileText(p)), 0) << paramFileText(p);
    EXPECT_EQ(paramFileText(q), paramFileText(p));
    EXPECT_EQ(q.srcFieldWidthMM, p.srcFieldWidthMM);
}
