#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "CNearestColorMap.h"

namespace {

RGBQUAD Rgb(int r, int g, int b) { return RGBQUAD{uint8_t(b), uint8_t(g), uint8_t(r), 0}; }

// The plain search over the first count entries: least squared distance over red, green and
// blue, the lowest index among equally near entries.
uint8_t LinearNearest(const std::vector<RGBQUAD>& palette, uint32_t count, RGBQUAD c) {
    int best = 0, bestDistance = 200000;
    for (uint32_t i = 0; i < count; ++i) {
        const int db = palette[i].rgbBlue - c.rgbBlue, dg = palette[i].rgbGreen - c.rgbGreen,
                  dr = palette[i].rgbRed - c.rgbRed;
        const int d = db * db + dg * dg + dr * dr;
        if (d < bestDistance) best = int(i), bestDistance = d;
    }
    return uint8_t(best);
}

struct Random {
    uint32_t seed;
    int Next(int n) {
        seed = seed * 1103515245u + 12345u;
        return int((seed >> 8) % uint32_t(n));
    }
};

struct PaletteCase {
    std::string name;
    std::vector<RGBQUAD> palette;  // 256 entries
    uint32_t count;                // how many the search looks at
};

std::vector<PaletteCase> Palettes() {
    Random random{42};
    std::vector<RGBQUAD> spread(256), dark(256), lattice, repeated(256), fewThenBlack(256);
    for (RGBQUAD& c : spread) c = Rgb(random.Next(256), random.Next(256), random.Next(256));
    // Every entry near black: cells far away keep many candidates at nearly equal distances.
    for (RGBQUAD& c : dark) c = Rgb(random.Next(40), random.Next(40), random.Next(40));
    // A shuffled 5 × 5 × 5 lattice: colours half way between its planes tie between entries.
    const int steps[] = {0, 64, 128, 192, 254};
    for (int r : steps) {
        for (int g : steps) {
            for (int b : steps) lattice.push_back(Rgb(r, g, b));
        }
    }
    for (size_t i = lattice.size() - 1; i > 0; --i)
        std::swap(lattice[i], lattice[random.Next(int(i) + 1)]);
    lattice.resize(256, Rgb(64, 64, 64));
    // 32 colours, each at 8 indices.
    for (int i = 0; i < 256; ++i) repeated[i] = spread[(i * 7) % 32];
    // The document's palette for an image of few colours: the rest of the table stays black.
    for (int i = 0; i < 5; ++i) fewThenBlack[i] = spread[i];
    fewThenBlack[3] = Rgb(0, 0, 0);
    return {{"Spread", spread, 256},
            {"Dark", dark, 256},
            {"TiesOnALattice", lattice, 256},
            {"Repeated", repeated, 256},
            {"FewThenBlack", fewThenBlack, 256},
            {"First17", spread, 17},
            {"One", spread, 1},
            {"None", spread, 0}};
}

// Colours at the corners, edges and middle of every fifth cell of 8 × 8 × 8 colours (and of the
// last), and random colours, map to the index the plain search finds. (Every cell would be
// mapped, which takes too long under the sanitizers.)
TEST(CNearestColorMap, FindsWhatThePlainSearchFinds) {
    std::vector<int> levels;
    for (int cell : {0, 5, 10, 15, 20, 25, 30, 31}) {
        for (int offset : {0, 3, 4, 7}) levels.push_back(cell * 8 + offset);
    }
    std::vector<RGBQUAD> colors;
    for (int r : levels) {
        for (int g : levels) {
            for (int b : levels) colors.push_back(Rgb(r, g, b));
        }
    }
    Random random{7};
    for (int i = 0; i < 3000; ++i) {
        colors.push_back(Rgb(random.Next(256), random.Next(256), random.Next(256)));
    }
    for (const PaletteCase& p : Palettes()) {
        CNearestColorMap map(p.palette.data(), p.count);
        // One assertion per palette: a gtest assertion per colour would dominate the run time.
        const auto wrong = std::find_if(colors.begin(), colors.end(), [&](const RGBQUAD& c) {
            return map.Find(c) != LinearNearest(p.palette, p.count, c);
        });
        EXPECT_TRUE(wrong == colors.end()) << p.name << ": " << int(wrong->rgbRed) << ","
                                           << int(wrong->rgbGreen) << "," << int(wrong->rgbBlue);
    }
}

TEST(CNearestColorMap, TiesKeepTheLowestIndexAndTheFourthByteIsIgnored) {
    std::vector<RGBQUAD> palette = {Rgb(200, 0, 0), Rgb(10, 10, 10), Rgb(0, 0, 0), Rgb(10, 10, 10),
                                    Rgb(20, 20, 20)};
    CNearestColorMap map(palette.data(), uint32_t(palette.size()));
    EXPECT_EQ(map.Find(10, 10, 10), 1);
    EXPECT_EQ(map.Find(RGBQUAD{10, 10, 10, 99}), 1);
    EXPECT_EQ(map.Find(5, 5, 5), 1);     // 0,0,0 and 10,10,10 are equally near: index 1 < 2
    EXPECT_EQ(map.Find(15, 15, 15), 1);  // 10,10,10 at 1 and 3 and 20,20,20 tie
    EXPECT_EQ(map.Find(255, 0, 0), 0);

    // 7,7,7 is the corner of its cell farthest from entry 1 and nearest to entry 0, both at
    // distance 147: an entry exactly at the pruning bound must still be searched.
    std::vector<RGBQUAD> corner = {Rgb(14, 14, 14), Rgb(0, 0, 0)};
    EXPECT_EQ(CNearestColorMap(corner.data(), 2).Find(7, 7, 7), 0);
}

}  // namespace
