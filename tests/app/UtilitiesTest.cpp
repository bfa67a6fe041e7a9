#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "CTesseloApp.h"
#include "Utilities.h"
#include "Version.h"

TEST(Utilities, GetListTokenCountsEmptyEntriesAndEndsEmpty) {
    const struct {
        const char* text;
        int n;
        const char* expected;
    } cases[] = {
        {"A;B;C", 0, "A"},  {"A;B;C", 1, "B"}, {"A;B;C", 2, "C"}, {"A;B;C", 3, ""},
        {"A;B;C;", 2, "C"}, {"A;B;C;", 3, ""}, {"", 0, ""},       {"", 2, ""},
        {"a;;b", 1, ""},    {"a;;b", 2, "b"},  {"A;B", -1, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetListToken(QString::fromUtf8(c.text), c.n), QString::fromUtf8(c.expected))
            << c.text << " #" << c.n;
}

TEST(Utilities, SafeMidClampsToTheText) {
    const struct {
        int start, count;
        const char* expected;
    } cases[] = {
        {0, 3, "abc"}, {2, -1, "cdef"}, {4, 10, "ef"}, {-1, 2, ""},
        {1, 0, ""},    {6, 1, ""},      {9, -1, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SafeMid(QStringLiteral("abcdef"), c.start, c.count),
                  QString::fromUtf8(c.expected))
            << c.start << "," << c.count;
}

TEST(Utilities, ParseCountOrMaxReadsTheLeadingIntegerAndSaturates) {
    const struct {
        const char* text;
        int expected;
    } cases[] = {
        {"", INT_MAX},
        {"90", 90},
        {"abc", 0},
        {"  -12x", -12},
        {"85abc", 85},
        {"+7", 7},
        {"2147483647", INT_MAX},
        {"99999999999", INT_MAX},
        {"-99999999999", INT_MIN},
        {"123456789012345678901234567890", INT_MAX},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseCountOrMax(QString::fromUtf8(c.text)), c.expected) << c.text;
}

TEST(Utilities, NumberFormatsStayValidForEveryDecimalsValue) {
    const struct {
        const char* pattern;
        int decimals;
        const char* format;
        const char* printed;  // 12.5 printed with the format
    } cases[] = {
        {"1.%if", 3, "%1.3f", "12.500"},
        {"-9.%if", 2, "%-9.2f", "12.50    "},
        {"1.%if", -4, "%1.0f", "12"},
        {"1.%if", 1000, "%1.6f", "12.500000"},
    };
    for (const auto& c : cases) {
        const std::string format = BuildNumberFormat(c.pattern, c.decimals);
        EXPECT_EQ(format, c.format);
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, format.c_str(), 12.5);
        EXPECT_STREQ(buffer, c.printed);
    }
}

TEST(Utilities, NumbersUseThePointWhateverTheUserLocale) {
    // The application object sets the numeric locale to "C"; run once with LANG=de_DE.UTF-8.
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.2f", 2.5);
    EXPECT_STREQ(buffer, "2.50");
    EXPECT_DOUBLE_EQ(std::strtod("2.25", nullptr), 2.25);
}

TEST(Utilities, VersionTextOfTheProgramFileOnly) {
    EXPECT_EQ(FormatVersion(1, 0, 0, 0), QStringLiteral("1.0.0"));
    EXPECT_EQ(FormatVersion(2, 1, 3, 4), QStringLiteral("2.1.3  SP4"));

    const ProgramVersion v = GetProgramVersion();
    QString file, product;
    EXPECT_TRUE(
        GetFileVersionText(nullptr, &file, &product, QCoreApplication::applicationFilePath()));
    EXPECT_EQ(product, FormatVersion(v.major, v.minor, v.patch, v.servicePack));
    EXPECT_EQ(file, product);

    QTemporaryDir dir;
    QString untouched = QStringLiteral("unchanged");
    EXPECT_FALSE(GetFileVersionText(nullptr, &untouched, nullptr, dir.filePath("other")));
    EXPECT_EQ(untouched, QStringLiteral("unchanged"));
}

TEST(Utilities, TempDirectoryFromTempThenTmpThenDefault) {
    const QByteArray oldTemp = qgetenv("TEMP"), oldTmp = qgetenv("TMP");
    const bool hadTemp = qEnvironmentVariableIsSet("TEMP"),
               hadTmp = qEnvironmentVariableIsSet("TMP");
    const struct {
        const char* temp;  // null: not set
        const char* tmp;
        const char* expected;
    } cases[] = {
        {"/work/t/", "/x", "/work/t"},
        {nullptr, "/var/tmp", "/var/tmp"},
        {nullptr, nullptr, "/tmp"},
    };
    for (const auto& c : cases) {
        c.temp ? qputenv("TEMP", c.temp) : qunsetenv("TEMP");
        c.tmp ? qputenv("TMP", c.tmp) : qunsetenv("TMP");
        EXPECT_EQ(CTesseloApp::TempDirectoryFromEnvironment(), QString::fromUtf8(c.expected));
    }
    hadTemp ? qputenv("TEMP", oldTemp) : qunsetenv("TEMP");
    hadTmp ? qputenv("TMP", oldTmp) : qunsetenv("TMP");
}
