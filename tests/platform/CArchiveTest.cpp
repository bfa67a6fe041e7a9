#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CArchive.h"
#include "CArchiveException.h"
#include "CNumberText.h"
#include "CWin1252.h"
#include "GermanLocale.h"
#include "TempDir.h"

namespace {

std::vector<uint8_t> Prefix(const std::vector<uint8_t>& bytes, size_t n) {
    return {bytes.begin(), bytes.begin() + long(n)};
}

}  // namespace

TEST(CArchive, ScalarsAreLittleEndian) {
    CArchive ar;
    ar.WriteUInt16(0x1234);
    ar.WriteInt32(-2);
    ar.WriteDouble(1.0);
    const std::vector<uint8_t> expected = {0x34, 0x12, 0xFE, 0xFF, 0xFF, 0xFF, 0,
                                           0,    0,    0,    0,    0,    0xF0, 0x3F};
    EXPECT_EQ(ar.GetBytes(), expected);
    CArchive in(ar.GetBytes());
    EXPECT_EQ(in.ReadUInt16(), 0x1234);
    EXPECT_EQ(in.ReadInt32(), -2);
    EXPECT_EQ(in.ReadDouble(), 1.0);
    EXPECT_THROW(in.ReadUInt16(), CArchiveException);
}

TEST(CArchive, StringPrefixTakesOneThreeOrSevenBytes) {
    struct Case {
        size_t length;
        std::vector<uint8_t> prefix;
    };
    const Case cases[] = {
        {0, {0x00}},
        {254, {0xFE}},
        {255, {0xFF, 0xFF, 0x00}},
        {0xFFFD, {0xFF, 0xFD, 0xFF}},
        {0xFFFE, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        const std::string text(c.length, 'a');
        CArchive ar;
        ar.WriteString(text);
        ASSERT_EQ(ar.GetBytes().size(), c.prefix.size() + c.length);
        EXPECT_EQ(Prefix(ar.GetBytes(), c.prefix.size()), c.prefix);
        CArchive in(ar.GetBytes());
        EXPECT_EQ(in.ReadString(), text);
        EXPECT_EQ(in.Remaining(), 0u);
    }
}

TEST(CArchive, CountsAndArrays) {
    CArchive ar;
    ar.WriteCount(0xFFFE);
    ar.WriteCount(0xFFFF);
    ar.WriteDoubleArray({2.5});
    const std::vector<uint8_t> head = {0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x01, 0x00};
    EXPECT_EQ(Prefix(ar.GetBytes(), head.size()), head);
    CArchive in(ar.GetBytes());
    EXPECT_EQ(in.ReadCount(0), 0xFFFEu);
    EXPECT_EQ(in.ReadCount(0), 0xFFFFu);
    EXPECT_EQ(in.ReadDoubleArray(), std::vector<double>{2.5});
}

TEST(CArchive, HostileLengthsAndCountsAreRefused) {
    const std::vector<std::vector<uint8_t>> inputs = {
        {0x05, 'a', 'b'},                            // string shorter than its length
        {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F},  // 2 GB string in 7 bytes
        {0xFF, 0xFE, 0xFF},                          // wide-string marker
        {0xFF},                                      // prefix cut short
    };
    for (const auto& bytes : inputs) {
        CArchive in(bytes);
        EXPECT_THROW(in.ReadString(), CArchiveException);
    }
    CArchive count({0xFF, 0xFF, 0x00, 0x00, 0x00, 0x10, 0, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_THROW(count.ReadDoubleArray(), CArchiveException);
}

// Archive strings are Windows-1252 whatever their bytes look like: C3 A4 is "Ã¤", not "ä",
// and every byte value, the five that Windows-1252 leaves unassigned included, is stored back
// as it was read.
TEST(CArchive, StringsKeepEveryByteThroughALoadAndAStore) {
    std::vector<uint8_t> file = {0xFF, 0x00, 0x01};  // a 256-byte string
    for (int b = 0; b < 256; ++b) file.push_back(uint8_t(b));
    const std::vector<uint8_t> utf8Bytes = {0x02, 0xC3, 0xA4};
    file.insert(file.end(), utf8Bytes.begin(), utf8Bytes.end());

    CArchive in(file);
    const std::string all = in.ReadString();
    EXPECT_EQ(in.ReadString(), "\u00c3\u00a4");
    EXPECT_EQ(all.substr(0x41, 1), "A");
    EXPECT_EQ(all.find("\u20ac"), 0x80u);  // 0x80 is the euro sign
    CArchive out;
    out.WriteString(all);
    out.WriteString("\u00c3\u00a4");
    EXPECT_EQ(out.GetBytes(), file);
}

TEST(CArchive, ClassRecordsAndBackReferences) {
    CArchive ar;
    ar.WriteClass("CGMatrix", 0);
    ar.WriteClass("CGMatrix", 0);
    const std::vector<uint8_t> expected = {0xFF, 0xFF, 0x00, 0x00, 0x08, 0x00, 'C',  'G',
                                           'M',  'a',  't',  'r',  'i',  'x',  0x01, 0x80};
    EXPECT_EQ(ar.GetBytes(), expected);
    CArchive in(ar.GetBytes());
    EXPECT_EQ(in.ReadClass("CGMatrix"), 0);
    EXPECT_EQ(in.ReadClass("CGMatrix"), 0);
    CArchive other(ar.GetBytes());
    EXPECT_THROW(other.ReadClass("CVerzeichnungPar"), CArchiveException);
    CArchive dangling({0x05, 0x80});
    EXPECT_THROW(dangling.ReadClass("CGMatrix"), CArchiveException);
}

TEST(CArchive, WriteFileReplacesOlderLongerContent) {
    TempDir dir;
    const std::string path = dir.File("a.bin");
    CArchive longer;
    for (int k = 0; k < 100; ++k) longer.WriteInt32(k);
    ASSERT_TRUE(longer.WriteFile(path));
    CArchive shorter;
    shorter.WriteInt32(7);
    ASSERT_TRUE(shorter.WriteFile(path));
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(CArchive::ReadFile(path, bytes));
    EXPECT_EQ(bytes, shorter.GetBytes());
    EXPECT_FALSE(CArchive::ReadFile(dir.File("missing"), bytes));
}

TEST(CWin1252, ConvertsBothWaysAndAcceptsUtf8) {
    EXPECT_EQ(CWin1252::FromUtf8("Höhe"), "H\xF6he");
    EXPECT_EQ(CWin1252::FromUtf8("€ Ω"), "\x80 ?");  // Ω has no Windows-1252 byte
    EXPECT_EQ(CWin1252::ToUtf8("H\xF6he \x80"), "Höhe €");
    EXPECT_EQ(CWin1252::ToUtf8("Höhe"), "Höhe");  // already UTF-8
    EXPECT_EQ(CWin1252::ToUtf8("plain"), "plain");
}

TEST(CNumberText, FormatsAndParsesInTheCLocaleUnderAGermanLocale) {
    CGermanLocale german;
    if (!german.IsActive()) GTEST_SKIP() << "no German locale installed";
    char native[32];
    std::snprintf(native, sizeof native, "%.1f", 1.5);
    ASSERT_STREQ(native, "1,5");  // the locale really uses a decimal comma
    EXPECT_EQ(CNumberText::Format(" %.6f|% 1.3e", 1.25, -0.5), " 1.250000|-5.000e-01");
    double v = 0;
    EXPECT_TRUE(CNumberText::ParseDouble("+2.5", v));
    EXPECT_EQ(v, 2.5);
    EXPECT_FALSE(CNumberText::ParseDouble("2,5", v));
    int i = 0;
    EXPECT_TRUE(CNumberText::ParseInt("42", i));
    EXPECT_FALSE(CNumberText::ParseInt("4x", i));
}
