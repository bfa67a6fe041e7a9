// The adjustment results dialog: refusals on opening, the three ways to size the target, the
// size check, the Escape abort of the rectification and the resolution the target keeps.
#include <QCoreApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QPushButton>
#include <QRadioButton>

#include "AppTestSupport.h"
#include "CLongLoopFilter.h"
#include "CMainFrame.h"
#include "CTesseloDoc.h"
#include "CTesseloView.h"
#include "CommandIds.h"
#include "controls/CListCtrlEx.h"
#include "controls/CNumEdit.h"
#include "dialogs/CErgebnisseAusgleichDlg.h"

namespace {

// Answers Escape polls through the long-loop guard, as the program does, and records texts.
class CEscapeUserInterface : public CRecordingUserInterface {
public:
    bool EscapePressed() override {
        CLongLoopFilter* filter = CLongLoopFilter::Active();
        return filter && filter->PollEscape();
    }
};

class ErgebnisseAusgleichDlgTest : public AppDocumentTest {
protected:
    void SetUp() override {
        AppDocumentTest::SetUp();
        m_doc->m_image.Create(200, 100, 24, FORMAT_BMP);
        // A square of 20 m seen as a 200 x 100 image stretched in x: no perspective.
        Point("A", 0, 0, 0, 20);
        Point("B", 200, 0, 20, 20);
        Point("C", 200, 100, 20, 0);
        Point("D", 0, 100, 0, 0);
    }

    void Point(const char* name, double x, double y, double X, double Y, int use = 1) {
        m_names.append(QLatin1String(name));
        m_x.push_back(x);
        m_y.push_back(y);
        m_refX.push_back(X);
        m_refY.push_back(Y);
        m_use.push_back(use);
    }

    std::unique_ptr<CErgebnisseAusgleichDlg> MakeDialog() {
        auto dialog = std::make_unique<CErgebnisseAusgleichDlg>();
        dialog->m_names = &m_names;
        dialog->m_imageX = &m_x;
        dialog->m_imageY = &m_y;
        dialog->m_refX = &m_refX;
        dialog->m_refY = &m_refY;
        dialog->m_use = &m_use;
        return dialog;
    }

    template <class T>
    static T* Field(QDialog& dialog, const char* id) {
        T* widget = dialog.findChild<T*>(QLatin1String(id));
        EXPECT_NE(widget, nullptr) << id;
        return widget;
    }

    int DocumentCount() const { return int(App()->MainFrame()->MdiArea()->subWindowList().size()); }

    QStringList m_names;
    std::vector<double> m_x, m_y, m_refX, m_refY;
    std::vector<int> m_use;
};

}  // namespace

TEST_F(ErgebnisseAusgleichDlgTest, OpeningRefusesTooFewPointsAndASingularAdjustment) {
    m_use[3] = 0;
    EXPECT_EQ(MakeDialog()->DoModal(), QDialog::Rejected);
    ASSERT_EQ(m_ui.messages.size(), 1u);
    EXPECT_EQ(m_ui.messages[0], "Zu wenig Punkte für Entzerrung\n\nMindestens 4 Punkte notwendig");

    // Four points on one line.
    m_use[3] = 1;
    for (size_t k = 0; k < 4; ++k) {
        m_x[k] = 10.0 * double(k);
        m_y[k] = 0.0;
        m_refX[k] = double(k);
        m_refY[k] = 0.0;
    }
    EXPECT_EQ(MakeDialog()->DoModal(), QDialog::Rejected);
    ASSERT_EQ(m_ui.messages.size(), 2u);
    EXPECT_EQ(m_ui.messages[1].rfind("Entzerrung: Ausgleich ist singulär", 0), 0u);
    EXPECT_TRUE(m_dialogsRun.empty());
}

TEST_F(ErgebnisseAusgleichDlgTest, OpeningListsResidualsAndProposesTheSourceWidth) {
    Point("off", 50, 50, 99, 99, 0);
    auto dialog = MakeDialog();
    ASSERT_TRUE(dialog->OnInitDialog());
    auto* list = Field<CListCtrlEx>(*dialog, "1012");
    ASSERT_EQ(list->GetItemCount(), 4);  // the point switched off is not taken
    EXPECT_EQ(list->GetItemTextStr(3, 0), QStringLiteral("D"));
    for (int r = 0; r < 4; ++r)
        for (int c = 1; c <= 2; ++c)
            EXPECT_EQ(list->GetItemTextStr(r, c).trimmed().remove(QLatin1Char('-')),
                      QStringLiteral("0.000"));
    EXPECT_EQ(dialog->m_sourceWidth, 200);
    EXPECT_EQ(dialog->m_targetWidth, 200);
    EXPECT_EQ(dialog->m_targetHeight, 200);
    // p = 20 m / 200 pixels; dpi = 10 × 0.0254 / p.
    EXPECT_NEAR(Field<CNumEdit>(*dialog, "1018")->GetValue(), 10.0, 1e-9);
    EXPECT_NEAR(Field<CNumEdit>(*dialog, "1024")->GetValue(), 2.54, 1e-9);
    EXPECT_TRUE(Field<QPushButton>(*dialog, "1")->isEnabled());
}

TEST_F(ErgebnisseAusgleichDlgTest, SizeFieldsFollowEachOtherAndRepairValuesNotAboveZero) {
    auto dialog = MakeDialog();
    ASSERT_TRUE(dialog->OnInitDialog());
    auto* width = Field<QLineEdit>(*dialog, "1014");
    auto* height = Field<QLineEdit>(*dialog, "1015");
    auto* pixel = Field<CNumEdit>(*dialog, "1018");
    auto* dpi = Field<CNumEdit>(*dialog, "1024");
    auto* scale = Field<CNumEdit>(*dialog, "1020");

    // Fields of another size mode are read-only and their handlers do nothing.
    pixel->setText(QStringLiteral("5"));
    dialog->OnKillFocusPixelSize();
    EXPECT_EQ(width->text(), QStringLiteral("200"));

    Field<QRadioButton>(*dialog, "1022")->click();
    const struct {
        const char* text;
        double pixel;
        const char* width;
    } pixelCases[] = {{"5", 5.0, "400"},
                      {"0", 0.1, "20000"},
                      {"abc", 0.1, "20000"},
                      {"1e-300", 1e-300, "2147483647"}};
    for (const auto& c : pixelCases) {
        SCOPED_TRACE(c.text);
        pixel->setText(QLatin1String(c.text));
        dialog->OnKillFocusPixelSize();
        EXPECT_EQ(pixel->GetValue(), c.pixel);
        EXPECT_EQ(width->text(), QLatin1String(c.width));
        EXPECT_EQ(height->text(), QLatin1String(c.width));
    }

    Field<QRadioButton>(*dialog, "1025")->click();
    dpi->setText(QStringLiteral("0"));
    dialog->OnKillFocusDpi();
    EXPECT_EQ(dpi->GetValue(), 1.0);
    scale->setText(QStringLiteral("-3"));
    dialog->OnKillFocusScale();
    EXPECT_EQ(scale->GetValue(), 100.0);
    // p = 100 × 0.0254 / 1 = 2.54 m per pixel.
    EXPECT_NEAR(pixel->GetValue(), 254.0, 1e-9);
    EXPECT_EQ(width->text(), QStringLiteral("8"));

    Field<QRadioButton>(*dialog, "1021")->click();
    width->setText(QStringLiteral("0"));
    dialog->OnKillFocusWidth();
    EXPECT_EQ(height->text(), QStringLiteral("0"));
    EXPECT_EQ(pixel->GetValue(), 0.0);
    EXPECT_EQ(dpi->GetValue(), 0.0);
    height->setText(QStringLiteral("50"));
    dialog->OnKillFocusHeight();
    EXPECT_EQ(width->text(), QStringLiteral("50"));
    EXPECT_NEAR(pixel->GetValue(), 40.0, 1e-9);
}

TEST_F(ErgebnisseAusgleichDlgTest, ATargetSizeOutOfBoundsIsRefusedAndTheDialogStaysOpen) {
    const char* sizes[] = {"0", "1e-5", "---"};
    for (const char* size : sizes) {
        SCOPED_TRACE(size);
        auto dialog = MakeDialog();
        ASSERT_TRUE(dialog->OnInitDialog());
        Field<QRadioButton>(*dialog, "1022")->click();
        // Typed but not yet left: the field keeps what was typed.
        Field<CNumEdit>(*dialog, "1018")->setText(QLatin1String(size));
        const int before = DocumentCount();
        m_ui.messages.clear();
        dialog->OnOK();
        ASSERT_EQ(m_ui.messages.size(), 1u);
        EXPECT_EQ(m_ui.messages[0].rfind("Die Größe des Zielbildes ist ungültig", 0), 0u);
        EXPECT_NE(dialog->result(), QDialog::Accepted);
        EXPECT_EQ(DocumentCount(), before);
        EXPECT_EQ(GetActiveDocument(), m_doc);
    }
}

TEST_F(ErgebnisseAusgleichDlgTest, EscapeDuringTheRectificationAsksAndMayDiscardTheTarget) {
    CEscapeUserInterface escapeUi;
    ui::Install(&escapeUi);
    const struct {
        std::deque<ui::Answer> answers;
        bool kept;
    } cases[] = {{{ui::Answer::Yes, ui::Answer::Yes}, false},
                 {{ui::Answer::Yes, ui::Answer::No}, true},
                 {{ui::Answer::No}, true}};
    for (const auto& c : cases) {
        auto dialog = MakeDialog();
        ASSERT_TRUE(dialog->OnInitDialog());
        const int before = DocumentCount();
        escapeUi.messages.clear();
        escapeUi.answers = c.answers;
        // Escape arrives while the rows are computed; the guard records it for the poll.
        QCoreApplication::postEvent(
            dialog.get(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
        dialog->OnOK();
        ProcessEvents();
        ASSERT_GE(escapeUi.messages.size(), 1u);
        EXPECT_EQ(escapeUi.messages[0], "Entzerrung abbrechen ?");
        EXPECT_EQ(dialog->result() == QDialog::Accepted, c.kept);
        EXPECT_EQ(DocumentCount(), before + (c.kept ? 1 : 0));
        EXPECT_EQ(GetActiveDocument() == m_doc, !c.kept);
        if (c.kept) GetActiveDocument()->OnCloseDocument();
        ProcessEvents();
        App()->SetActiveDocument(m_doc);
    }
    ui::Install(&m_ui);
}

TEST_F(ErgebnisseAusgleichDlgTest, ScaleAndResolutionTravelWithTheTargetIntoItsFilesAndCrops) {
    auto dialog = MakeDialog();
    ASSERT_TRUE(dialog->OnInitDialog());
    Field<QRadioButton>(*dialog, "1025")->click();
    auto* scale = Field<CNumEdit>(*dialog, "1020");
    scale->setText(QStringLiteral("1000"));
    dialog->OnKillFocusScale();
    // The resolution is typed last and Enter pressed while the field still has the focus.
    auto* dpi = Field<CNumEdit>(*dialog, "1024");
    dialog->show();
    dpi->setFocus();
    dpi->setText(QStringLiteral("127"));
    dialog->OnOK();
    ASSERT_EQ(dialog->result(), QDialog::Accepted);
    CTesseloDoc* target = GetActiveDocument();
    ASSERT_NE(target, m_doc);

    // 1 : 1000 at 127 dpi: a pixel is 1000 × 0.0254 / 127 = 0.2 m, so the 20 m square takes
    // 100 pixels, and the image says 127 dpi.
    EXPECT_EQ(target->m_image.GetWidth(), 100u);
    EXPECT_NEAR((target->m_extentRight - target->m_extentLeft) / target->m_image.GetWidth(), 0.2,
                1e-12);
    EXPECT_EQ(target->m_image.GetXDPI(), 127);
    EXPECT_EQ(target->m_image.GetYDPI(), 127);

    // A crop keeps the pixels' size and so the resolution; its saved file carries it.
    target->GetFirstView()->m_tool = 1;
    target->m_cropValid = 1;
    target->m_cropX0 = target->m_cropY0 = 10.0;
    target->m_cropX1 = target->m_cropY1 = 59.0;
    ASSERT_TRUE(App()->RouteCommand(cmd::ID_CROP));
    CTesseloDoc* crop = GetActiveDocument();
    ASSERT_NE(crop, target);
    EXPECT_EQ(crop->m_image.GetXDPI(), 127);
    const QString saved = m_dir.filePath(QStringLiteral("crop.png"));
    ChooseFile(saved);
    ASSERT_TRUE(App()->RouteCommand(cmd::ID_FILE_SAVE_AS));
    CRaster reloaded;
    ASSERT_TRUE(reloaded.Load(QFile::encodeName(saved).constData(), FORMAT_PNG));
    EXPECT_EQ(reloaded.GetWidth(), 50u);
    EXPECT_EQ(reloaded.GetXDPI(), 127);
    EXPECT_EQ(reloaded.GetYDPI(), 127);
}
