#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "AllocationMeter.h"
#include "CArchive.h"
#include "CVerzeichnungPar.h"
#include "FileSizeLimit.h"
#include "GermanLocale.h"
#include "StringTable.h"
#include "TempDir.h"

namespace {

CVerzeichnungPar Model(int typ, int offset, std::vector<double> list) {
    CVerzeichnungPar p;
    p.m_valid = 1;
    p.m_typ = typ;
    p.m_offset = offset;
    p.m_sizeX = 4000;
    p.m_sizeY = 3000;
    p.m_bez = "Kamera Höhe";
    p.m_sampling = list;
    p.m_resampling = list;
    for (double& v : p.m_resampling) v = -v;
    return p;
}

// Fields that a file carries.
void ExpectSameFile(const CVerzeichnungPar& a, const CVerzeichnungPar& b) {
    EXPECT_EQ(a.m_valid, b.m_valid);
    EXPECT_EQ(a.m_typ, b.m_typ);
    EXPECT_EQ(a.m_offset, b.m_offset);
    EXPECT_EQ(a.m_sizeX, b.m_sizeX);
    EXPECT_EQ(a.m_sizeY, b.m_sizeY);
    EXPECT_EQ(a.m_bez, b.m_bez);
    EXPECT_EQ(a.m_sampling, b.m_sampling);
    EXPECT_EQ(a.m_resampling, b.m_resampling);
}

}  // namespace

TEST(CVerzeichnungPar, CorrectionOfEachModel) {
    struct Case {
        const char* what;
        int typ, offset;
        std::vector<double> list;
        double xmin, ymin, xmax, ymax;
        int sizeX;
        double x, y, dx, dy;
    };
    const Case cases[] = {
        {"Typ 3", 3, 0, {1e-8}, -1, -1, 1, 1, 2, 100, 0, 0.01, 0},
        {"Typ 1", 1, 0, {1e-6, 0}, -1, -1, 1, 1, 2, 100, 100, 0.04, 0.02},
        // The offsets shift the point first: evaluated at (100 + 20, 0 - 10).
        {"Typ 3 with offsets",
         3,
         1,
         {1e-8, 20, -10},
         -1,
         -1,
         1,
         1,
         2,
         100,
         0,
         1e-8 * 120 * (120 * 120 + 100),
         1e-8 * -10 * (120 * 120 + 100)},
        // Centre (1000, 500), scale 2: (1100, 500) is u = 200 calibration pixels out, and the
        // correction 1e-8 * 200³ = 0.08 is halved on the way back.
        {"scaled range", 3, 0, {1e-8}, 0, 0, 2000, 1000, 4000, 1100, 500, 0.04, 0},
        {"Typ 0", 0, 0, {1e-4, 1e-9, 0}, -1, -1, 1, 1, 2, 100, 0, 100 * (1e-2 + 1e-3), 0},
        {"Typ 2", 2, 0, {0, 0, 0, 1e-6, 0}, -1, -1, 1, 1, 2, 100, 100, 0.04, 0.02},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CVerzeichnungPar p = Model(c.typ, c.offset, c.list);
        p.m_sizeX = c.sizeX;
        p.SetImageRange(c.xmin, c.ymin, c.xmax, c.ymax);
        double dx = -1, dy = -1;
        EXPECT_EQ(p.ComputeCorrection(c.x, c.y, 0, dx, dy), 1);
        // Tolerance: a handful of roundings of values near 0.01.
        EXPECT_NEAR(dx, c.dx, 1e-14);
        EXPECT_NEAR(dy, c.dy, 1e-14);
        if (c.offset == 0) {
            EXPECT_EQ(p.ComputeCorrection(c.x, c.y, 1, dx, dy), 1);  // Resampling is negated
            EXPECT_NEAR(dx, -c.dx, 1e-14);
        }
    }
}

TEST(CVerzeichnungPar, UnusableSetsCorrectNothing) {
    CVerzeichnungPar invalid = Model(3, 0, {1e-8});
    invalid.m_valid = 0;
    invalid.SetImageRange(0, 0, 100, 100);
    CVerzeichnungPar emptyRange = Model(3, 0, {1e-8});
    emptyRange.SetImageRange(50, 50, 50, 50);
    CVerzeichnungPar shortList = Model(2, 1, {1e-8});
    shortList.SetImageRange(0, 0, 100, 100);
    for (const CVerzeichnungPar* p : {&invalid, &emptyRange, &shortList}) {
        double dx = 1, dy = 1;
        EXPECT_EQ(p->ComputeCorrection(10, 20, 0, dx, dy), 0);
        EXPECT_EQ(dx, 0.0);
        EXPECT_EQ(dy, 0.0);
    }
    EXPECT_EQ(invalid.GetInfoText(), "");

    // A valid set of an unknown model is evaluated, to no correction.
    for (int typ : {-1, 4}) {
        CVerzeichnungPar unknown = Model(typ, 0, {1e-8});
        unknown.SetImageRange(0, 0, 100, 100);
        double dx = 1, dy = 1;
        EXPECT_EQ(unknown.ComputeCorrection(10, 20, 1, dx, dy), 1) << typ;
        EXPECT_EQ(dx, 0.0);
        EXPECT_EQ(dy, 0.0);
    }
}

TEST(CVerzeichnungPar, RadialCorrectionInTheBottomUpFrameIsTheMirroredOne) {
    CVerzeichnungPar p = Model(0, 0, {1e-4, 1e-9, 1e-15});
    p.m_sizeX = 640;
    p.SetImageRange(0, 0, 640, 480);
    double dx1, dy1, dx2, dy2;
    p.ComputeCorrection(100, 70, 1, dx1, dy1);        // image frame, y downwards
    p.ComputeCorrection(100, 480 - 70, 1, dx2, dy2);  // the same point counted from the bottom
    EXPECT_DOUBLE_EQ(dx1, dx2);
    EXPECT_DOUBLE_EQ(dy1, -dy2);
}

TEST(CVerzeichnungPar, BottomUpRowsAreCorrectedInTheImageFrame) {
    struct Case {
        const char* what;
        int typ, offset;
        std::vector<double> list;
    };
    const Case cases[] = {
        {"radial", 0, 0, {1e-4, 1e-9, 1e-15}},
        {"tangential", 1, 0, {1e-5, 3e-5}},
        {"radial with offsets", 3, 1, {1e-7, 40, -60}},
        {"combined with offsets", 2, 1, {1e-4, 1e-9, 0, 1e-5, 3e-5, 40, -60}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CVerzeichnungPar p = Model(c.typ, c.offset, c.list);
        p.m_sizeX = 640;
        p.SetImageRange(0, 0, 640, 480);
        for (const auto& [x, y] : {std::pair{100.0, 70.0}, {500.0, 300.0}}) {
            double dx, dy, bx, brow;
            ASSERT_EQ(p.ComputeCorrection(x, y, 1, dx, dy), 1);
            ASSERT_EQ(p.ComputeCorrectionBottomUp(x, 480 - y, 1, bx, brow), 1);
            // Tolerance: the same arithmetic on an offset rounded once more.
            EXPECT_NEAR(bx, dx, 1e-12);
            EXPECT_NEAR(brow, -dy, 1e-12);
            if (c.typ == 0) {
                // Symmetric about the centre: bit for bit the evaluation in the bottom-up frame.
                double ux, uy;
                p.ComputeCorrection(x, 480 - y, 1, ux, uy);
                EXPECT_EQ(bx, ux);
                EXPECT_EQ(brow, uy);
            }
        }
    }
}

TEST(CVerzeichnungPar, InfoText) {
    CVerzeichnungPar p = Model(3, 1, {0.5, -1.0, 2.0});
    p.m_bez = "Cam";
    EXPECT_EQ(p.GetInfoText(),
              "Cam\r\n\r\nModell 4\r\nParameter 3\r\nHauptpunkt Ja\r\n\r\nParameter:"
              "\r\n1: 0.500000000000000    (5.000000000000000e-01)"
              "\r\n2: -1.000000000000000    (-1.000000000000000e+00)"
              "\r\n3: 2.000000000000000    (2.000000000000000e+00)");
}

class CVerzeichnungParFiles : public ::testing::Test {
protected:
    TempDir dir;
    std::string path = dir.File("cam.verz");
};

TEST_F(CVerzeichnungParFiles, FileLayoutFieldByField) {
    CVerzeichnungPar p = Model(3, 0, {1.5});
    p.m_sizeX = 4;
    p.m_sizeY = 3;
    p.m_bez = "Kö";
    ASSERT_EQ(p.Save(path), 1);
    const std::vector<uint8_t> expected = {
        0, 0,   0,    0,                          // version
        1, 0,   0,    0,                          // Valid
        3, 0,   0,    0,                          // Typ
        0, 0,   0,    0,                          // Offset
        4, 0,   0,    0,                          // SizeX
        3, 0,   0,    0,                          // SizeY
        2, 'K', 0xF6,                             // Bez in Windows-1252
        1, 0,   0,    0, 0, 0, 0, 0, 0xF8, 0x3F,  // Sampling: count, 1.5
        1, 0,   0,    0, 0, 0, 0, 0, 0xF8, 0xBF,  // Resampling: count, -1.5
    };
    EXPECT_EQ(TempDir::ReadBytes(path), expected);

    CVerzeichnungPar empty;
    empty.m_sizeX = 1;
    ASSERT_EQ(empty.Save(path), 1);
    const std::vector<uint8_t> bytes = TempDir::ReadBytes(path);
    ASSERT_EQ(bytes.size(), 24u + 1 + 2 + 2);  // old tail gone, empty name is one byte 0
    EXPECT_EQ(bytes[24], 0);
}

TEST_F(CVerzeichnungParFiles, SaveThenLoadGivesTheSameSet) {
    for (const CVerzeichnungPar& p :
         {Model(0, 1, {1e-4, -2e-9, 3e-15, 0.5, -0.25}), Model(2, 0, {1, 2, 3, 4, 5}),
          Model(1, 1, {1e-6, 2e-6, 0.1, 0.2})}) {
        ASSERT_EQ(p.Save(path), 1);
        CVerzeichnungPar back;
        ASSERT_EQ(back.Load(path), 1);
        ExpectSameFile(back, p);
    }
    // Names of every length prefix, and sets saved before any calculation (Valid 0, no
    // calibration size, empty lists, a model not chosen yet).
    CVerzeichnungPar before;
    CVerzeichnungPar unchosen;
    unchosen.m_typ = -1;
    unchosen.m_bez = "Name der Kamera";
    std::vector<CVerzeichnungPar> sets = {before, unchosen};
    for (size_t length : {size_t{0}, size_t{300}, size_t{5000}, size_t{70000}}) {
        sets.push_back(Model(3, 0, {1}));
        sets.back().m_bez = std::string(length, 'x');
        sets.push_back(before);
        sets.back().m_bez = std::string(length, 'y');
    }
    for (const CVerzeichnungPar& p : sets) {
        SCOPED_TRACE(p.m_bez.size());
        ASSERT_EQ(p.Save(path), 1);
        CVerzeichnungPar back = Model(2, 1, {1, 2, 3, 4, 5, 6, 7});
        ASSERT_EQ(back.Load(path), 1);
        ExpectSameFile(back, p);
    }
}

// The camera name is Windows-1252: a load and a save keep every byte of it, also bytes that
// happen to form UTF-8 (C3 A4 is "Ã¤") and the five bytes Windows-1252 leaves unassigned.
TEST_F(CVerzeichnungParFiles, LoadAndSaveKeepEveryByteOfTheName) {
    std::vector<uint8_t> name;
    for (int b = 255; b >= 0; --b) name.push_back(uint8_t(b));
    const std::vector<std::vector<uint8_t>> names = {
        name, {0xC3, 0xA4}, {0x81, 0x8D, 0x8F, 0x90, 0x9D}};
    for (const std::vector<uint8_t>& bytes : names) {
        SCOPED_TRACE(bytes.size());
        std::vector<uint8_t> file(24, 0);  // version 0, a set saved before any calculation
        if (bytes.size() < 255) {
            file.push_back(uint8_t(bytes.size()));
        } else {
            file.insert(file.end(), {0xFF, uint8_t(bytes.size()), uint8_t(bytes.size() >> 8)});
        }
        file.insert(file.end(), bytes.begin(), bytes.end());
        file.insert(file.end(), {0, 0, 0, 0});  // no Sampling, no Resampling
        TempDir::WriteBytes(path, file);
        CVerzeichnungPar p;
        ASSERT_EQ(p.Load(path), 1);
        const std::string copy = dir.File("copy.verz");
        ASSERT_EQ(p.Save(copy), 1);
        EXPECT_EQ(TempDir::ReadBytes(copy), file);
    }
    CVerzeichnungPar p;
    ASSERT_EQ(p.Load(path), 1);
    EXPECT_EQ(p.m_bez, "\u0081\u008d\u008f\u0090\u009d");
}

// A coefficient list costs the file 8 bytes a value. A set saved before any calculation may
// hold lists of any length, and one that fills the file loads; a count past the bytes left is
// refused before the list is built, so the load costs about the file's size.
TEST_F(CVerzeichnungParFiles, ListCountsAreBoundByTheBytesLeft) {
    constexpr uint32_t kValues = 1u << 20;
    const auto file = [](uint32_t count, uint32_t values) {
        std::vector<uint8_t> bytes(24, 0);           // version 0, Valid 0
        bytes.insert(bytes.end(), {0, 0xFF, 0xFF});  // no name, a 32-bit count follows
        for (int k = 0; k < 4; ++k) bytes.push_back(uint8_t(count >> (8 * k)));
        bytes.resize(bytes.size() + size_t{values} * 8, 0);
        bytes.insert(bytes.end(), {0, 0});  // no Resampling
        return bytes;
    };
    TempDir::WriteBytes(path, file(kValues, kValues));
    CVerzeichnungPar p;
    ASSERT_EQ(p.Load(path), 1);
    EXPECT_EQ(p.m_sampling.size(), size_t{kValues});

    // One more value than the 8 MiB hold (the two bytes of the empty Resampling count are too
    // few for it).
    const std::vector<uint8_t> past = file(kValues + 1, kValues);
    TempDir::WriteBytes(path, past);
    EXPECT_EQ(p.Load(path), 0);
    EXPECT_EQ(p.m_sampling.size(), size_t{kValues});
    CVerzeichnungPar fresh;
    int result;
    uint64_t peak;
    {
        AllocationMeter meter;
        result = fresh.Load(path);
        peak = meter.PeakBytes();
    }
    EXPECT_EQ(result, 0);
    if (AllocationMeter::Available()) {
        EXPECT_LT(peak, 2 * past.size());  // the file read at once
    }
}

TEST_F(CVerzeichnungParFiles, AFailedWriteKeepsTheOldFile) {
    const CVerzeichnungPar p = Model(0, 1, {1e-4, -2e-9, 3e-15, 0.5, -0.25});
    const std::vector<uint8_t> old = {1, 2, 3};
    const std::string asc = dir.File("cam.asc");
    TempDir::WriteBytes(path, old);
    TempDir::WriteBytes(asc, old);
    std::string saveError, exportError;
    int saved, exported;
    {
        FileSizeLimit limit(20);
        ASSERT_TRUE(limit.Active());
        saved = p.Save(path, &saveError);
        exported = p.ExportAscii(asc, &exportError);
    }
    EXPECT_EQ(saved, 0);
    EXPECT_EQ(exported, 0);
    EXPECT_FALSE(saveError.empty());
    EXPECT_FALSE(exportError.empty());
    EXPECT_EQ(TempDir::ReadBytes(path), old);
    EXPECT_EQ(TempDir::ReadBytes(asc), old);
    EXPECT_EQ(dir.EntryCount(), 2u);
}

TEST_F(CVerzeichnungParFiles, DamagedFilesFailAndKeepThePreviousSet) {
    const CVerzeichnungPar previous = Model(2, 1, {1, 2, 3, 4, 5, 6, 7});
    ASSERT_EQ(Model(0, 0, {1e-4, 1e-9, 1e-15}).Save(path), 1);
    const std::vector<uint8_t> good = TempDir::ReadBytes(path);

    std::vector<std::vector<uint8_t>> damaged;
    for (size_t n = 0; n < good.size(); ++n)
        damaged.emplace_back(good.begin(), good.begin() + long(n));
    auto patched = [&](size_t at, std::vector<uint8_t> with) {
        std::vector<uint8_t> b = good;
        std::copy(with.begin(), with.end(), b.begin() + long(at));
        damaged.push_back(b);
    };
    patched(0, {1});                                          // version 1
    patched(8, {4});                                          // Typ 4
    patched(12, {2});                                         // Offset 2
    patched(16, {0, 0, 0, 0});                                // SizeX 0
    patched(16, {0xFF, 0xFF, 0xFF, 0xFF});                    // SizeX -1
    patched(24, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F});  // 2 GB name
    const size_t sampling = 24 + 1 + good[24];
    patched(sampling, {2});                                   // 2 values where Typ 0 needs 3
    patched(sampling, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x0F});  // count beyond the file

    for (size_t k = 0; k < damaged.size(); ++k) {
        SCOPED_TRACE(k);
        TempDir::WriteBytes(path, damaged[k]);
        CVerzeichnungPar p = previous;
        EXPECT_EQ(p.Load(path), 0);
        ExpectSameFile(p, previous);
    }
    CVerzeichnungPar p = previous;
    EXPECT_EQ(p.Load(dir.File("missing.verz")), 0);
    ExpectSameFile(p, previous);
}

TEST_F(CVerzeichnungParFiles, AsciiExport) {
    CGermanLocale german;  // numbers must keep "." whatever the locale
    CVerzeichnungPar p = Model(3, 1, {1.5, -0.25, 2});
    p.m_resampling = {-0.375};
    p.m_bez = "Höhe";
    const std::string asc = dir.File("cam.asc");
    ASSERT_EQ(p.ExportAscii(asc), 1);
    EXPECT_EQ(TempDir::ReadText(asc),
              "Bez:        H\xF6he\r\nValid:      1\r\nTyp:        3\r\nOffset:     1\r\n"
              "SizeX:      4000\r\nSizeY:      3000\r\n"
              "Sampling:   3 Params\r\n"
              "1:           1.5000000000000000e+00\r\n"
              "2:          -2.5000000000000000e-01\r\n"
              "3:           2.0000000000000000e+00\r\n"
              "Resampling: 1 Params\r\n"
              "1:          -3.7500000000000000e-01\r\n");
    EXPECT_EQ(p.ExportAscii(dir.File("no/such/dir.asc")), 0);
}
