#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "AppTestSupport.h"
#include "dialogs/CPunktbezeichnungDlg.h"

namespace {

class PointNameDialogTest : public AppTest {
protected:
    QLineEdit* Edit(CPunktbezeichnungDlg& d) { return d.findChild<QLineEdit*>("1004"); }
    QPushButton* Ok(CPunktbezeichnungDlg& d) { return d.findChild<QPushButton*>("1"); }
};

TEST_F(PointNameDialogTest, CaptionPresetAndOkFollowTheText) {
    CPunktbezeichnungDlg plain;
    plain.m_name = QStringLiteral("7");
    ASSERT_TRUE(plain.OnInitDialog());
    EXPECT_EQ(plain.windowTitle(), "Punktbezeichnung");
    EXPECT_EQ(Edit(plain)->text(), "7");
    EXPECT_EQ(Edit(plain)->selectedText(), "7");
    EXPECT_TRUE(Ok(plain)->isEnabled());
    Edit(plain)->clear();
    EXPECT_FALSE(Ok(plain)->isEnabled());
    QTest::keyClicks(Edit(plain), QStringLiteral("   "));
    EXPECT_FALSE(Ok(plain)->isEnabled());  // blanks alone are no name
    QTest::keyClicks(Edit(plain), QStringLiteral("12 "));
    EXPECT_TRUE(Ok(plain)->isEnabled());
    plain.OnOK();
    EXPECT_EQ(plain.result(), QDialog::Accepted);
    EXPECT_EQ(plain.m_name, "12");  // trimmed

    CPunktbezeichnungDlg header;
    header.m_caption = QStringLiteral("Header-Zeile");
    header.SetFreeText(true);
    header.m_name = QStringLiteral("Haus");
    header.OnInitDialog();
    EXPECT_EQ(header.windowTitle(), "Header-Zeile");
    EXPECT_EQ(header.findChild<QLabel*>("1055")->text(), "Header-Zeile");
    Edit(header)->setText(QStringLiteral(" Name; Ost Nord\tHöhe"));
    header.OnOK();
    EXPECT_EQ(header.result(), QDialog::Accepted);
    EXPECT_EQ(header.m_name, " Name; Ost Nord\tHöhe");  // a header line is taken as typed
    EXPECT_TRUE(m_ui.messages.empty());
}

TEST_F(PointNameDialogTest, RefusesNamesThatTheCoordinateFilesCannotCarry) {
    for (const char* name : {"a b", "a\tb", "a;b", "1 ;"}) {
        CPunktbezeichnungDlg dialog;
        dialog.m_name = QStringLiteral("1");
        dialog.OnInitDialog();
        Edit(dialog)->setText(QString::fromUtf8(name));
        dialog.OnOK();
        EXPECT_NE(dialog.result(), QDialog::Accepted) << name;
        EXPECT_EQ(dialog.m_name, "1") << name;
    }
    EXPECT_EQ(m_ui.messages.size(), 4u);
}

}  // namespace
