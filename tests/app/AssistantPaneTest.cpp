#include <gtest/gtest.h>

#include <QApplication>
#include <QMainWindow>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QWheelEvent>
#include <vector>

#include "CPostedEvents.h"
#include "CommandIds.h"
#include "controls/CAssistantBar.h"
#include "controls/CAssistantHtml.h"
#include "controls/CHtmlPaneCtrl.h"

namespace {

// Turns of the event loop until the condition holds; the events are posted, not timed.
template <typename Condition>
bool ProcessUntil(Condition condition) {
    for (int i = 0; i < 20 && !condition(); ++i) QApplication::processEvents();
    return condition();
}

// A main window that records the private messages it receives.
class RecordingFrame : public QMainWindow {
public:
    struct Message {
        int message;
        intptr_t wParam;
        intptr_t lParam;
        QString command;  // the bar's last command when the message was processed
    };

    std::vector<Message> messages;
    CAssistantBar bar;

    RecordingFrame() {
        setCentralWidget(new QWidget);
        resize(600, 500);
        bar.Create(QString(), this, 0xE822);
        bar.SetDefaultSize(190, 500);
        addDockWidget(Qt::LeftDockWidgetArea, &bar);
    }

protected:
    bool event(QEvent* event) override {
        if (event->type() == CPostedMessageEvent::TypeId()) {
            const auto* m = static_cast<CPostedMessageEvent*>(event);
            messages.push_back(
                {m->Message(), m->WParam(), m->LParam(), bar.HtmlCtrl().LastCommand()});
            return true;
        }
        return QMainWindow::event(event);
    }
};

// Centre of the first anchor with this target, in viewport coordinates; (-1, -1) when none.
QPoint AnchorCentre(QTextBrowser& browser, const QString& href) {
    for (QTextBlock block = browser.document()->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.charFormat().isAnchor() || fragment.charFormat().anchorHref() != href) {
                continue;
            }
            QTextCursor cursor(browser.document());
            cursor.setPosition(fragment.position() + fragment.length() / 2);
            return browser.cursorRect(cursor).center();
        }
    }
    return {-1, -1};
}

struct PaneFixture : ::testing::Test {
    RecordingFrame frame;

    void SetUp() override {
        frame.show();
        ASSERT_TRUE(ProcessUntil([&] { return frame.bar.HtmlCtrl().DocumentReady(); }));
    }

    void Click(const QString& href) {
        QTextBrowser& browser = frame.bar.HtmlCtrl();
        const QPoint at = AnchorCentre(browser, href);
        ASSERT_GE(at.x(), 0) << "no link " << href.toStdString();
        QTest::mouseClick(browser.viewport(), Qt::LeftButton, {}, at);
    }
};

struct LinkCase {
    int step;
    bool source;
    const char* href;
    const char* command;
};

TEST_F(PaneFixture, EveryLinkOfThePagePostsItsCommandToTheMainWindow) {
    const LinkCase cases[] = {
        {0, true, "app:OPEN", "OPEN"},       {1, true, "app:MEAS_PT", "MEAS_PT"},
        {1, true, "app:MEAS_RC", "MEAS_RC"}, {2, true, "app:RECTIFY", "RECTIFY"},
        {7, true, "app:CLOSES", "CLOSES"},   {9, false, "app:SAVE", "SAVE"},
        {10, false, "app:CLOSET", "CLOSET"},
    };
    for (const LinkCase& c : cases) {
        CAssistantInputs inputs;
        inputs.sourceDocument = c.source;
        frame.bar.SetHtml(CAssistantHtml::StepPage(c.step, inputs));
        const QString shown = frame.bar.HtmlCtrl().toPlainText();
        frame.messages.clear();
        Click(c.href);
        ASSERT_TRUE(ProcessUntil([&] { return !frame.messages.empty(); })) << c.href;
        ASSERT_EQ(frame.messages.size(), 1u);
        EXPECT_EQ(frame.messages[0].message, msg::WM_APP_ASSISTANT_COMMAND);
        EXPECT_EQ(frame.messages[0].wParam, 0);
        EXPECT_EQ(frame.messages[0].lParam, 0);
        EXPECT_EQ(frame.messages[0].command, c.command);
        // The click never navigates: the page stays.
        EXPECT_TRUE(frame.bar.HtmlCtrl().source().isEmpty());
        EXPECT_EQ(frame.bar.HtmlCtrl().toPlainText(), shown);
    }
}

TEST_F(PaneFixture, PrefixIsMatchedWithoutCaseAndOtherLinksPostNothing) {
    frame.bar.SetHtml(
        "<html><body><p><a href=\"APP:OPEN\">a</a></p><p><a href=\"app:open\">b</a></p>"
        "<p><a href=\"apx:OPEN\">c</a></p></body></html>");
    Click("APP:OPEN");
    ASSERT_TRUE(ProcessUntil([&] { return !frame.messages.empty(); }));
    EXPECT_EQ(frame.messages.back().command, "OPEN");
    Click("app:open");
    ASSERT_TRUE(ProcessUntil([&] { return frame.messages.size() == 2; }));
    EXPECT_EQ(frame.messages.back().command, "open");

    Click("apx:OPEN");
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
    EXPECT_EQ(frame.messages.size(), 2u);
    EXPECT_EQ(frame.bar.HtmlCtrl().LastCommand(), "open");
}

TEST_F(PaneFixture, TwoClicksBeforeTheFrameRunsBothCarryTheLaterCommand) {
    frame.bar.SetHtml(CAssistantHtml::StepPage(1, CAssistantInputs{}));
    Click("app:MEAS_PT");
    Click("app:MEAS_RC");
    ASSERT_TRUE(ProcessUntil([&] { return frame.messages.size() == 2; }));
    EXPECT_EQ(frame.messages[0].command, "MEAS_RC");
    EXPECT_EQ(frame.messages[1].command, "MEAS_RC");
}

TEST_F(PaneFixture, BarStartsAtItsDefaultWidthAndNarrowsToTheBarMinimum) {
    EXPECT_EQ(frame.bar.width(), 190);
    frame.resizeDocks({&frame.bar}, {5}, Qt::Horizontal);
    QApplication::processEvents();
    EXPECT_EQ(frame.bar.width(), frame.bar.MinVertSize().width());
}

TEST(AssistantHtmlCtrl, PaneOutsideABarKeepsTheCommandAndPostsNothing) {
    CAssistantHtmlCtrl ctrl;
    ctrl.resize(190, 200);
    ctrl.Navigate("about:blank");
    ctrl.SetHtml(CAssistantHtml::StepPage(0, CAssistantInputs{}), true);
    ctrl.show();
    ASSERT_TRUE(ProcessUntil([&] { return ctrl.DocumentReady(); }));
    QTest::mouseClick(ctrl.viewport(), Qt::LeftButton, {}, AnchorCentre(ctrl, "app:OPEN"));
    QApplication::processEvents();
    EXPECT_EQ(ctrl.LastCommand(), "OPEN");
}

TEST(HtmlPane, PageSetBeforeTheBlankDocumentIsCompleteIsShownWhenItCompletes) {
    CHtmlPaneCtrl pane;
    pane.Navigate("About:Blank");
    pane.SetHtml("<p>first</p>", false);
    pane.SetHtml("<p>second</p>", false);
    EXPECT_FALSE(pane.DocumentReady());
    EXPECT_TRUE(pane.toPlainText().isEmpty());
    ASSERT_TRUE(ProcessUntil([&] { return pane.DocumentReady(); }));
    EXPECT_EQ(pane.toPlainText(), "second");
    pane.SetHtml("<p>third</p>", false);  // written at once from now on
    EXPECT_EQ(pane.toPlainText(), "third");
}

TEST(HtmlPane, EncodingReplacesOnlyTheTenAccentedVowels) {
    EXPECT_EQ(CHtmlPaneCtrl::EncodeEntities(QString::fromUtf8("àáèéìíòóùú")),
              "&agrave;&aacute;&egrave;&eacute;&igrave;&iacute;&ograve;&oacute;&ugrave;&uacute;");
    EXPECT_EQ(CHtmlPaneCtrl::EncodeEntities(QString::fromUtf8("äöüß ÄÖÜ É Ö")),
              QString::fromUtf8("äöüß ÄÖÜ É Ö"));

    CHtmlPaneCtrl pane;
    pane.SetHtml(QString::fromUtf8("Café Öl"), true);
    EXPECT_EQ(pane.PendingHtml(), QString::fromUtf8("Caf&eacute; Öl"));
    pane.SetHtml(QString::fromUtf8("Café"), false);
    EXPECT_EQ(pane.PendingHtml(), QString::fromUtf8("Café"));
}

TEST(HtmlPane, DisplayedCopyDrawsRulesAsBoxesOfTheirColour) {
    EXPECT_EQ(CHtmlPaneCtrl::DisplayCopy("<hr size=\"10\" color=\"#00FF00\" width=\"10\">"),
              "<img src=\"swatch:00FF00/10x10\" width=\"10\" height=\"10\">");
    EXPECT_EQ(CHtmlPaneCtrl::DisplayCopy("a<hr size=\"2\" width=\"20\">b"),
              "a<img src=\"swatch:frame/20x2\" width=\"20\" height=\"2\">b");
    EXPECT_EQ(CHtmlPaneCtrl::DisplayCopy("<td bordercolorlight=\"#339933\" width=\"5\">"),
              "<td valign=\"middle\" style=\"border-color:#339933\" width=\"5\">");
    EXPECT_EQ(CHtmlPaneCtrl::DisplayCopy("<td width=\"180\">x</td>"),
              "<td valign=\"middle\">x</td>");

    // The boxes are rendered in their colour.
    CHtmlPaneCtrl pane;
    pane.resize(200, 100);
    pane.Navigate("about:blank");
    pane.SetHtml("<hr size=\"10\" color=\"#00FF00\" width=\"10\">", false);
    ASSERT_TRUE(ProcessUntil([&] { return pane.DocumentReady(); }));
    const QImage shot = pane.viewport()->grab().toImage();
    bool green = false;
    for (int y = 0; y < shot.height() && !green; ++y) {
        for (int x = 0; x < shot.width() && !green; ++x) green = shot.pixel(x, y) == 0xFF00FF00;
    }
    EXPECT_TRUE(green);
}

struct WheelCase {
    const char* name;
    bool outside;
    bool viewTakesIt;
    bool forwarded;
    bool scrolls;
};

TEST(AssistantHtmlCtrl, WheelOutsideThePaneGoesToTheViewWhenOneTakesIt) {
    const WheelCase cases[] = {
        {"over the pane", false, true, false, true},
        {"elsewhere, a view", true, true, true, false},
        {"elsewhere, no view", true, false, true, true},
    };
    for (const WheelCase& c : cases) {
        CAssistantHtmlCtrl ctrl;
        ctrl.resize(190, 100);
        QString page;
        for (int i = 0; i < 100; ++i) page += QStringLiteral("<p>line %1</p>").arg(i);
        ctrl.setHtml(page);
        ctrl.show();
        QApplication::processEvents();
        int calls = 0;
        ctrl.SetWheelTarget([&](QWheelEvent&) {
            ++calls;
            return c.viewTakesIt;
        });
        const QPoint local = c.outside ? QPoint(-40, 20) : QPoint(20, 20);
        QWheelEvent wheel(QPointF(local), QPointF(ctrl.viewport()->mapToGlobal(local)), QPoint(),
                          QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(ctrl.viewport(), &wheel);
        EXPECT_EQ(calls, c.forwarded ? 1 : 0) << c.name;
        EXPECT_EQ(ctrl.verticalScrollBar()->value() > 0, c.scrolls) << c.name;
    }
}

}  // namespace
