#include <gtest/gtest.h>

#include <QApplication>
#include <QFocusEvent>
#include <QTest>
#include <clocale>
#include <cstdio>

#include "Undefined.h"
#include "controls/CNumEdit.h"

namespace {

void LeaveField(CNumEdit& edit) {
    QFocusEvent focusOut(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(&edit, &focusOut);
}

struct TypingCase {
    const char* typed;
    double value;       // while typing, before the field is left
    const char* shown;  // after leaving the field, with 3 decimals
};

TEST(CNumEdit, TypedTextBecomesTheValueAndIsShownRounded) {
    const TypingCase cases[] = {
        {"12,5", 12.5, "12.500"},
        {"12.5", 12.5, "12.500"},
        {"  -3,25e1 m", -32.5, "-32.500"},
        {"+7", 7.0, "7.000"},
        {",0625", 0.0625, "0.062"},  // 0.0625 is exact: the tie rounds to even
        {"abc", UNDEFINED_VALUE, "---"},
        {"", UNDEFINED_VALUE, "---"},
        {"+-1", UNDEFINED_VALUE, "---"},
        // Words that "%lf" would read as infinity or NaN, and overflow, are no numbers.
        {"Info", UNDEFINED_VALUE, "---"},
        {"nan", UNDEFINED_VALUE, "---"},
        {"1e999", UNDEFINED_VALUE, "---"},
    };
    for (const TypingCase& c : cases) {
        CNumEdit edit;
        edit.SetValue(99.0);
        edit.clear();
        QTest::keyClicks(&edit, QString::fromUtf8(c.typed));
        EXPECT_EQ(edit.GetValue(), c.value) << c.typed;
        LeaveField(edit);
        EXPECT_EQ(edit.text(), QString::fromUtf8(c.shown)) << c.typed;
        EXPECT_EQ(edit.GetValue(), c.value) << c.typed;
    }
}

TEST(CNumEdit, SetValueKeepsTheFullValueBehindTheRoundedText) {
    CNumEdit edit;
    EXPECT_EQ(edit.GetValue(), UNDEFINED_VALUE);
    edit.SetValue(1.0 / 3.0);
    EXPECT_EQ(edit.text(), "0.333");
    LeaveField(edit);  // nothing typed: the value is not replaced by the text
    EXPECT_EQ(edit.GetValue(), 1.0 / 3.0);
    edit.SetDecimals(-2);  // 0 decimals, applied at the next formatting only
    EXPECT_EQ(edit.text(), "0.333");
    edit.SetValue(2.5);
    EXPECT_EQ(edit.text(), "2");  // round half to even, as printf does
    edit.SetValue(UNDEFINED_VALUE);
    EXPECT_EQ(edit.text(), "---");
}

TEST(CNumEdit, FixedDecimalsMatchPrintfInTheCLocale) {
    std::setlocale(LC_NUMERIC, "C");  // the reference; the field itself ignores the locale
    const double values[] = {0.0, -0.0004, 1.0005, 2.675, -123456.789, 1e20, 1.2345e-7};
    for (int decimals : {0, 1, 3, 6, 10}) {
        for (double value : values) {
            char expected[64];
            std::snprintf(expected, sizeof expected, "%-1.*f", decimals, value);
            CNumEdit edit;
            edit.SetDecimals(decimals);
            edit.SetValue(value);
            EXPECT_EQ(edit.text().toStdString(), expected) << value << " " << decimals;
        }
    }
}

struct SignificantCase {
    double value;
    const char* shown;
};

TEST(CNumEdit, SignificantDigitsChooseTheDecimals) {
    // 3 significant digits, at most 5 decimals.
    const SignificantCase cases[] = {
        {0.05, "0.0500"},
        {0.5, "0.500"},
        {5, "5.000"},
        {123.4, "123.4"},
        {1234, "1234"},
        {0.000012, "0.00001"},
        {0, "0"},
        // Negative values get the decimals of their magnitude, not none.
        {-0.05, "-0.0500"},
        {-123.4, "-123.4"},
    };
    for (const SignificantCase& c : cases) {
        CNumEdit edit;
        edit.SetSignificantDigits(3, 5);
        edit.SetValue(c.value);
        EXPECT_EQ(edit.text(), QString::fromUtf8(c.shown)) << c.value;
    }
}

TEST(CNumEdit, CtrlRightClickTogglesTenDecimalsAndTakesTheShownValue) {
    CNumEdit edit;
    edit.SetValue(1.0 / 3.0);
    edit.OnRButtonUp(Qt::NoModifier);  // without Ctrl only the edit menu would open
    EXPECT_EQ(edit.text(), "0.333");

    QTest::mouseClick(&edit, Qt::RightButton, Qt::ControlModifier);
    EXPECT_EQ(edit.text(), "0.3333333333");
    EXPECT_EQ(edit.GetValue(), 0.3333333333);
    QTest::mouseClick(&edit, Qt::RightButton, Qt::ControlModifier);
    EXPECT_EQ(edit.text(), "0.333");
    EXPECT_EQ(edit.GetValue(), 0.333);

    CNumEdit undefined;
    undefined.SetValue(UNDEFINED_VALUE);
    QTest::mouseClick(&undefined, Qt::RightButton, Qt::ControlModifier);
    EXPECT_EQ(undefined.text(), "---");
    EXPECT_EQ(undefined.GetValue(), UNDEFINED_VALUE);
}

}  // namespace
