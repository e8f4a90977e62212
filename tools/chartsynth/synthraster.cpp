// SPDX-License-Identifier: GPL-3.0-or-later
#include "synthraster.h"

#include <algorithm>
#include <cmath>
#include <cstring>

Rng::Rng(uint64_t seed, uint64_t stream) : state(seed * 0x9E3779B97F4A7C15ull ^ (stream + 1) * 0xD1B54A32D192ED03ull)
{
    next();
}

uint64_t Rng::next()
{
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

double Rng::uniform()
{
    return double(next() >> 11) * (1.0 / 9007199254740992.0);
}

double Rng::uniform(double lo, double hi)
{
    return lo + (hi - lo) * uniform();
}

int Rng::range(int lo, int hi)
{
    return lo + int(next() % uint64_t(hi - lo + 1));
}

double Rng::gauss()
{
    // Box-Muller with our own uniforms keeps the numbers identical everywhere.
    double u1 = 1.0 - uniform();
    double u2 = uniform();
    return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * M_PI * u2);
}

CoverageLayer::CoverageLayer(int w, int h) : width(w), height(h), cov(size_t(w) * h, 0) {}

void CoverageLayer::stroke(Vec2 a, Vec2 b, double hw, double alpha)
{
    double reach = hw + 1.0;
    int x0 = std::max(0, int(std::floor(std::min(a.x, b.x) - reach)));
    int x1 = std::min(width - 1, int(std::ceil(std::max(a.x, b.x) + reach)));
    int y0 = std::max(0, int(std::floor(std::min(a.y, b.y) - reach)));
    int y1 = std::min(height - 1, int(std::ceil(std::max(a.y, b.y) + reach)));
    double dx = b.x - a.x, dy = b.y - a.y;
    double len2 = dx * dx + dy * dy;
    double inv = len2 > 0 ? 1.0 / len2 : 0.0;
    for (int y = y0; y <= y1; y++) {
        unsigned char *row = &cov[size_t(y) * width];
        for (int x = x0; x <= x1; x++) {
            double px = x - a.x, py = y - a.y;
            double t = std::clamp((px * dx + py * dy) * inv, 0.0, 1.0);
            double ex = px - t * dx, ey = py - t * dy;
            double c = bandCoverage(std::sqrt(ex * ex + ey * ey), hw) * alpha;
            if (c <= 0) continue;
            unsigned char v = (unsigned char)std::lround(std::min(c, 1.0) * 255.0);
            if (v > row[x]) row[x] = v;
        }
    }
}

void CoverageLayer::polyline(const std::vector<Vec2> &points, double hw, double alpha)
{
    if (points.size() == 1) stroke(points[0], points[0], hw, alpha);
    for (size_t i = 1; i < points.size(); i++) stroke(points[i - 1], points[i], hw, alpha);
}

ValueNoise::ValueNoise(int width, int height, int cellShift, Rng &rng)
    : shift(cellShift), mask((1 << cellShift) - 1), cols((width >> cellShift) + 2),
      inv(1.0f / float(1 << cellShift))
{
    int rows = (height >> cellShift) + 2;
    lattice.resize(size_t(cols) * rows);
    for (float &v : lattice) v = float(rng.uniform(-1.0, 1.0));
}

ValueNoise::RowPos ValueNoise::rowPos(int y) const
{
    int iy = y >> shift;
    return {&lattice[size_t(iy) * cols], &lattice[size_t(iy + 1) * cols], float(y & mask) * inv};
}

namespace {

// Each glyph: points as two digits (x 0..4, y 0..6), strokes separated by '|'.
struct Glyph {
    char c;
    const char *path;
};

const Glyph kGlyphs[] = {
    {'0', "10 30 41 45 36 16 05 01 10"},
    {'1', "15 26 20|10 30"},
    {'2', "05 16 36 45 44 00 40"},
    {'3', "05 16 36 45 44 33 23|33 42 41 30 10 01"},
    {'4', "30 36 02 42"},
    {'5', "46 06 04 34 43 41 30 10 01"},
    {'6', "45 36 16 05 01 10 30 41 42 33 03"},
    {'7', "06 46 10"},
    {'8', "13 04 05 16 36 45 44 33 13 02 01 10 30 41 42 33"},
    {'9', "01 10 30 41 45 36 16 05 04 13 43"},
    {'-', "13 33"},
    {'.', "20 21"},
    {':', "21 22|24 25"},
    {'/', "00 46"},
    {'%', "05 06 16 15 05|30 31 41 40 30|00 46"},
    {'A', "00 26 40|13 33"},
    {'C', "45 36 16 05 01 10 30 41"},
    {'D', "00 06 36 45 41 30 00"},
    {'E', "46 06 00 40|03 33"},
    {'F', "46 06 00|03 33"},
    {'H', "00 06|40 46|03 43"},
    {'M', "00 06 23 46 40"},
    {'O', "10 30 41 45 36 16 05 01 10"},
    {'R', "00 06 36 45 44 33 03|23 40"},
    {'S', "45 36 16 05 04 13 33 42 41 30 10 01"},
    {'T', "06 46|26 20"},
    {'U', "06 01 10 30 41 46"},
    {'W', "06 10 23 30 46"},
};

const char *glyphPath(char c)
{
    for (const Glyph &g : kGlyphs)
        if (g.c == c) return g.path;
    return nullptr;
}

const double kAdvance = 6.0;  // glyph units per character

}  // namespace

double textLength(const char *text, double height)
{
    size_t n = std::strlen(text);
    return n == 0 ? 0.0 : (double(n) * kAdvance - 2.0) * height / 6.0;
}

std::vector<std::vector<Vec2>> layoutText(const char *text, Vec2 origin, Vec2 along, Vec2 up,
                                          const GlyphStyle &style, Rng *rng)
{
    std::vector<std::vector<Vec2>> lines;
    double unit = style.height / 6.0;
    for (int i = 0; text[i]; i++) {
        const char *p = glyphPath(text[i]);
        if (!p) continue;
        double left = i * kAdvance;
        std::vector<Vec2> line;
        for (; *p; p++) {
            if (*p == '|') {
                lines.push_back(line);
                line.clear();
                continue;
            }
            if (*p == ' ') continue;
            double gy = (p[1] - '0');
            double gx = left + (p[0] - '0') + style.slant * gy;
            p++;
            double a = gx * unit, b = gy * unit;
            if (rng && style.jitter > 0) {
                a += rng->uniform(-style.jitter, style.jitter);
                b += rng->uniform(-style.jitter, style.jitter);
            }
            line.push_back({origin.x + a * along.x + b * up.x, origin.y + a * along.y + b * up.y});
        }
        lines.push_back(line);
    }
    return lines;
}
