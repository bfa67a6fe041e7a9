#pragma once
// The main road through the real dialogs: a synthetic facade photo opened through the open
// command, control points added as the point picking adds them, reference coordinates imported
// from a text file, and "Bild entzerren" run through the modal runner seam into a new target.

#include <QCheckBox>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>

#include "AppTestSupport.h"
#include "CMainFrame.h"
#include "CTesseloDoc.h"
#include "CommandIds.h"
#include "SyntheticFacade.h"
#include "controls/CNumEdit.h"
#include "dialogs/CErgebnisseAusgleichDlg.h"

class RectifyChainFixture : public AppTest {
protected:
    // Target pixel size of the runs, metres.
    static constexpr double kPixel = 0.05;

    void SetUp() override {
        AppTest::SetUp();
        ASSERT_TRUE(Start());
        // The point-name dialog as the user fills it: P1, P2, ...
        CTesseloDoc::SetPointNameAsker([this](const QString&, QString& name) {
            name = QStringLiteral("P%1").arg(++m_named);
            return true;
        });
    }

    void TearDown() override {
        CTesseloDoc::SetPointNameAsker({});
        AppTest::TearDown();
    }

    // Renders the facade, saves it and opens it as the source document.
    void OpenPhoto() {
        CRaster photo;
        m_facade.Render(photo);
        const QString path = m_dir.filePath(QStringLiteral("facade.bmp"));
        ASSERT_TRUE(photo.Save(QFile::encodeName(path).constData(), FORMAT_BMP));
        ChooseFile(path);
        App()->MainFrame()->OnFileOpen();
        m_source = GetActiveDocument();
        ASSERT_NE(m_source, nullptr);
        ASSERT_EQ(m_source->m_image.GetWidth(), uint32_t(SyntheticFacade::kWidth));
    }

    // Control points at facade positions, picked in the given order where the camera sees
    // them (named P1, P2, ... in that order); `line` gives a point's reference values in the
    // system's column order. The reference points dialog then imports them and goes on.
    void MeasureControlPoints(const std::vector<std::pair<double, double>>& facadePoints,
                              const std::function<QString(double X, double Y)>& line) {
        m_source->m_points.Clear();
        m_named = 0;
        QByteArray file;
        for (const auto& [X, Y] : facadePoints) {
            double mx, my;
            m_facade.ToImage(X, Y, mx, my);
            ASSERT_EQ(m_source->AddControlPoint(mx, my), 1);
            file +=
                (m_source->m_points.names.last() + QLatin1Char(' ') + line(X, Y)).toUtf8() + "\n";
        }
        const QString path = m_dir.filePath(QStringLiteral("coordinates.txt"));
        QFile out(path);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(file);
        out.close();
        ChooseFile(path);
        m_dialogScripts.push_back([](QDialog& dialog) {
            dialog.findChild<QPushButton*>(QStringLiteral("1021"))->click();
            dialog.findChild<QPushButton*>(QStringLiteral("1"))->click();
            return dialog.result();
        });
    }

    static int ClickOk(QDialog& dialog) {
        dialog.findChild<QPushButton*>(QStringLiteral("1"))->click();
        return dialog.result();
    }

    // The adjustment results: pixel size 5 cm, the sampling of the case, "Bild entzerren".
    void RectifyWith(bool interpolate) {
        m_dialogScripts.push_back([interpolate](QDialog& dialog) {
            auto& results = static_cast<CErgebnisseAusgleichDlg&>(dialog);
            results.findChild<QRadioButton*>(QStringLiteral("1022"))->click();
            results.findChild<CNumEdit*>(QStringLiteral("1018"))
                ->setText(QString::number(kPixel * 100));
            results.OnKillFocusPixelSize();
            results.findChild<QCheckBox*>(QStringLiteral("1028"))->setChecked(interpolate);
            results.findChild<QPushButton*>(QStringLiteral("1"))->click();
            return results.result();
        });
    }

    // "Bild entzerren" on the source document with the scripts queued; the new target.
    CTesseloDoc* RunChain() {
        App()->SetActiveDocument(m_source);
        EXPECT_TRUE(App()->RouteCommand(cmd::ID_RECTIFY));
        ProcessEvents();
        EXPECT_TRUE(m_dialogScripts.empty());
        CTesseloDoc* target = GetActiveDocument();
        return target != m_source ? target : nullptr;
    }

    static int White(const CRaster& image, int i, int t) {
        return image.GetPixelColor(i, int(image.GetHeight()) - 1 - t).rgbGreen > 127 ? 1 : 0;
    }

    SyntheticFacade m_facade;
    CTesseloDoc* m_source = nullptr;
    int m_named = 0;
};
