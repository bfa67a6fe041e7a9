#include <QMdiArea>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

#include "AppTestSupport.h"
#include "CMainFrame.h"
#include "CPostedEvents.h"
#include "CTesseloDoc.h"
#include "CommandIds.h"
#include "controls/CAssistantHtml.h"
#include "controls/CBarTitle.h"

namespace {

class MainFrameAssistantTest : public AppTest {
protected:
    CMainFrame* Frame() { return App()->MainFrame(); }
    CAssistantBar& Bar() { return Frame()->AssistantBar(); }
    CAssistantHtmlCtrl& Pane() { return Bar().HtmlCtrl(); }

    void PostStep(int step) {
        PostMessageTo(Frame(), msg::WM_APP_WORKFLOW_STEP, step, 0);
        ProcessEvents();
    }

    // The page the bar shows for a step and document flags.
    static QString Page(int step, const CAssistantInputs& inputs = {}) {
        return CHtmlPaneCtrl::EncodeEntities(CAssistantHtml::StepPage(step, inputs));
    }

    // Clicks the first link with this target in the docked pane, as the user does.
    void ClickLink(const QString& href) {
        for (QTextBlock b = Pane().document()->begin(); b.isValid(); b = b.next()) {
            for (auto it = b.begin(); !it.atEnd(); ++it) {
                const QTextFragment f = it.fragment();
                if (!f.charFormat().isAnchor() || f.charFormat().anchorHref() != href) continue;
                QTextCursor cursor(Pane().document());
                cursor.setPosition(f.position() + f.length() / 2);
                QTest::mouseClick(Pane().viewport(), Qt::LeftButton, {},
                                  Pane().cursorRect(cursor).center());
                ProcessEvents();
                return;
            }
        }
        ADD_FAILURE() << "no link " << href.toStdString();
    }

    int Windows() { return Frame()->MdiArea()->subWindowList().size(); }
};

}  // namespace

TEST_F(MainFrameAssistantTest, StartsDockedAtTheLeftAt190By500ShowingStep0) {
    ASSERT_TRUE(Start());
    EXPECT_EQ(Bar().DockBarId(), CResizableBar::kDockLeft);
    EXPECT_EQ(Bar().allowedAreas(), Qt::RightDockWidgetArea);
    EXPECT_EQ(Bar().Id(), 0xE822);
    EXPECT_TRUE(Bar().windowTitle().isEmpty());
    EXPECT_EQ(Bar().VertSize(), QSize(190, 500));
    EXPECT_EQ(Bar().HorzSize(), QSize(190, 500));
    EXPECT_EQ(Bar().width(), 190);
    EXPECT_TRUE(Bar().isVisible());
    EXPECT_TRUE(Pane().DocumentReady());
    EXPECT_EQ(Pane().PendingHtml(), Page(0));
    EXPECT_TRUE(Pane().toPlainText().contains(QString::fromUtf8("Bild Öffnen")));
}

TEST_F(MainFrameAssistantTest, PageFollowsTheStepAndTheActiveDocumentsFlags) {
    ASSERT_TRUE(Start());
    PostStep(7);
    EXPECT_EQ(Pane().PendingHtml(), Page(0));  // no document: step 0

    CTesseloDoc* doc = App()->OnFileNew();
    doc->m_is3D = 0;
    doc->m_measureMode = 0;
    PostStep(4);
    EXPECT_EQ(Pane().PendingHtml(), Page(4, {true, false, 0, false}));

    doc->m_isSource = 0;
    PostStep(-1);  // the document's stored step
    EXPECT_EQ(doc->m_workflowStep, 4);
    EXPECT_EQ(Pane().PendingHtml(), Page(4, {false, false, 0, false}));
    PostStep(10);
    EXPECT_EQ(Pane().PendingHtml(), Page(10, {false, false, 0, false}));
}

TEST_F(MainFrameAssistantTest, ClickedLinksRunTheirCommands) {
    ASSERT_TRUE(Start());
    ClickLink("app:OPEN");
    EXPECT_EQ(m_requests.size(), 1u);  // the open dialog was asked for a file

    App()->OnFileNew();
    ProcessEvents();
    PostStep(7);
    ASSERT_EQ(Windows(), 1);
    ClickLink("app:CLOSES");
    EXPECT_EQ(Windows(), 0);
    EXPECT_EQ(Pane().PendingHtml(), Page(0));
}

TEST_F(MainFrameAssistantTest, AssistantCommandTogglesTheBarWithItsCheckMark) {
    ASSERT_TRUE(Start());
    EXPECT_TRUE(App()->UpdateCommand(cmd::ID_VIEW_ASSISTANT).IsChecked());
    App()->RouteCommand(cmd::ID_VIEW_ASSISTANT);
    EXPECT_TRUE(Bar().isHidden());
    EXPECT_FALSE(App()->UpdateCommand(cmd::ID_VIEW_ASSISTANT).IsChecked());
    App()->RouteCommand(cmd::ID_VIEW_ASSISTANT);
    EXPECT_FALSE(Bar().isHidden());
    EXPECT_TRUE(App()->UpdateCommand(cmd::ID_VIEW_ASSISTANT).IsChecked());

    // The close button of the gripper hides it too.
    const QPoint button = Bar().CloseButton().Rect().center();
    QTest::mouseClick(&Bar().Title(), Qt::LeftButton, {}, button);
    EXPECT_TRUE(Bar().isHidden());
    EXPECT_FALSE(App()->UpdateCommand(cmd::ID_VIEW_ASSISTANT).IsChecked());
}

TEST_F(MainFrameAssistantTest, OnceFloatedTheBarDocksAgainOnlyOnTheRight) {
    ASSERT_TRUE(Start());
    Bar().setFloating(true);
    ProcessEvents();
    EXPECT_EQ(Bar().DockBarId(), CResizableBar::kDockFloating);
    Bar().setFloating(false);
    ProcessEvents();
    EXPECT_EQ(Bar().DockBarId(), CResizableBar::kDockRight);
    EXPECT_EQ(Bar().width(), 190);
}

TEST_F(MainFrameAssistantTest, BarWidthSurvivesARestart) {
    ASSERT_TRUE(Start());
    Frame()->resizeDocks({&Bar()}, {260}, Qt::Horizontal);
    ProcessEvents();
    ASSERT_EQ(Bar().width(), 260);
    App()->ExitInstance();
    ProcessEvents();

    ASSERT_TRUE(Start());
    EXPECT_EQ(Bar().VertSize().width(), 260);
    EXPECT_EQ(Bar().width(), 260);
}

TEST_F(MainFrameAssistantTest, PageComesInTheInterfaceLanguage) {
    ASSERT_TRUE(Start(1));
    App()->OnFileNew();
    PostStep(1);
    const QString text = Pane().toPlainText();
    EXPECT_TRUE(text.contains("Source image")) << text.toStdString();
    EXPECT_TRUE(text.contains("Open image"));
    EXPECT_TRUE(text.contains("Measure points or rectangle"));
    EXPECT_TRUE(text.contains("Target image"));

    App()->RouteCommand(cmd::ID_LANGUAGE_GERMAN);
    ProcessEvents();
    EXPECT_TRUE(Pane().toPlainText().contains("Ausgangsbild"));
    EXPECT_TRUE(Pane().toPlainText().contains("Punkte oder Rechteck messen"));
}
