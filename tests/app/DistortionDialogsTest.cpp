#include <sys/stat.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "AppTestSupport.h"
#include "CDistortionCalibration.h"
#include "CMainFrame.h"
#include "CPostedEvents.h"
#include "CTesseloDoc.h"
#include "CommandIds.h"
#include "FileSizeLimit.h"
#include "StringTable.h"
#include "TempDir.h"
#include "controls/CDistortionGridCtrl.h"
#include "controls/CFileComboBox.h"
#include "dialogs/CVerzeichnungBerechnenDlg.h"
#include "dialogs/CVerzeichnungKorrigierenDlg.h"

namespace {

constexpr int kWidth = 1200;
constexpr int kHeight = 900;
// Radial distortion of the synthetic camera (Typ 3): about 4 pixels in the corners.
constexpr double kK1 = 1e-8;

// A facade photographed through a known projective mapping with radial lens distortion: the
// measured (distorted) positions lie on a grid, the ideal ones are measured + k1 u r², and the
// reference coordinates are the projective image of the ideal ones.
struct SyntheticField {
    std::vector<double> x, y, idealX, idealY, refX, refY;
    std::vector<int> use;
};

SyntheticField MakeField() {
    SyntheticField f;
    for (int row = 0; row < 7; ++row) {
        for (int col = 0; col < 9; ++col) {
            const double mx = 60.0 + col * 135.0 + (row % 2) * 11.0;
            const double my = 50.0 + row * 133.0 + (col % 3) * 7.0;
            const double u = mx - kWidth / 2, v = my - kHeight / 2;
            const double ix = mx + kK1 * u * (u * u + v * v);
            const double iy = my + kK1 * v * (u * u + v * v);
            const double w = 1.0 + 2e-5 * ix + 1e-5 * iy;
            f.x.push_back(mx);
            f.y.push_back(my);
            f.idealX.push_back(ix);
            f.idealY.push_back(iy);
            f.refX.push_back((0.010 * ix + 0.0008 * iy + 5.0) / w);
            f.refY.push_back((0.0005 * ix - 0.010 * iy + 20.0) / w);
            f.use.push_back(1);
        }
    }
    return f;
}

CVerzeichnungPar KnownModel() {
    CVerzeichnungPar par;
    par.m_valid = 1;
    par.m_typ = 3;
    par.m_sizeX = kWidth;
    par.m_sizeY = kHeight;
    par.m_bez = "Testkamera";
    par.m_sampling = {kK1};
    par.m_resampling = {-kK1};
    return par;
}

class DistortionDialogTest : public AppDocumentTest {
protected:
    void SetUp() override {
        AppDocumentTest::SetUp();
        ASSERT_FALSE(m_files.Path().empty());
        ASSERT_NE(m_doc->m_image.Create(kWidth, kHeight, 8, 0), nullptr);
        m_doc->m_koosys = 2;
        m_doc->m_is3D = 0;
        m_field = MakeField();
        for (size_t i = 0; i < m_field.x.size(); ++i)
            m_doc->m_points.Append(QString::number(i + 1), m_field.x[i], m_field.y[i], 0.0,
                                   m_field.refX[i], m_field.refY[i]);
        m_folder = QString::fromStdString(m_files.Path().string()) + QLatin1Char('/');
        m_doc->m_calibrationFolder = m_folder;
        ASSERT_EQ(KnownModel().Save(m_files.File("kamera.verz")), 1);
    }

    QString FilePath(const char* name) const { return m_folder + QLatin1String(name); }

    template <class T>
    static T* Field(QDialog& dialog, const char* id) {
        T* widget = dialog.findChild<T*>(QLatin1String(id));
        EXPECT_NE(widget, nullptr) << id;
        return widget;
    }

    std::unique_ptr<CVerzeichnungKorrigierenDlg> MakeCorrectionDialog() {
        CControlPointList& p = m_doc->m_points;
        return std::make_unique<CVerzeichnungKorrigierenDlg>(&p.x, &p.y, &p.r2, &p.r3, &p.use2D,
                                                             &m_correction);
    }

    static QString Description(QDialog& dialog, const char* id) {
        return Field<QPlainTextEdit>(dialog, id)->toPlainText();
    }

    // The current directory is the temp folder: every model solve writes its matrix files.
    TempDir m_files{true};
    QString m_folder;
    SyntheticField m_field;
    CDistortionCalibration m_correction;
};

using CorrectionDialogTest = DistortionDialogTest;
using CalculationDialogTest = DistortionDialogTest;

}  // namespace

TEST_F(CorrectionDialogTest, LoadsTheRememberedFileAndCorrectsThePointsWhenOn) {
    WriteSetting(settings::kDistortionOn, 1);
    CProfile::WriteString("Verzeichnung", "Format", FilePath("kamera.verz"));
    auto dialog = MakeCorrectionDialog();
    ASSERT_TRUE(dialog->OnInitDialog());
    ProcessEvents();
    EXPECT_EQ(App()->MainFrame()->AssistantStep(), 4);
    EXPECT_TRUE(Field<QCheckBox>(*dialog, "1065")->isChecked());
    EXPECT_TRUE(Field<CFileComboBox>(*dialog, "1064")->isEnabled());
    EXPECT_EQ(Field<CFileComboBox>(*dialog, "1064")->currentText(), QStringLiteral("kamera.verz"));
    const QString text = Description(*dialog, "1058");
    EXPECT_TRUE(
        text.startsWith(QStringLiteral("Testkamera\n\nModell 4\nParameter 1\nHauptpunkt Nein")))
        << text.toStdString();

    dialog->OnOK();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    ASSERT_EQ(m_correction.GetParameters().m_valid, 1);
    EXPECT_EQ(CProfile::GetString("Verzeichnung", "Format"), FilePath("kamera.verz"));
    EXPECT_EQ(ReadSetting(settings::kDistortionOn), 1);

    // What the reference points dialog then does with the lent calibration.
    std::vector<double> cx, cy;
    m_correction.SetImageRange(0, 0, kWidth, kHeight);
    ASSERT_EQ(m_correction.ApplyToPoints(m_doc->m_points.x, m_doc->m_points.y, cx, cy, 0), 1);
    for (size_t i = 0; i < cx.size(); ++i) {
        // Exact model; only rounding remains.
        EXPECT_NEAR(cx[i], m_field.idealX[i], 1e-9);
        EXPECT_NEAR(cy[i], m_field.idealY[i], 1e-9);
    }
}

TEST_F(CorrectionDialogTest, CorrectionOffLeavesTheCalibrationInvalid) {
    CProfile::WriteString("Verzeichnung", "Format", FilePath("kamera.verz"));
    auto dialog = MakeCorrectionDialog();
    ASSERT_TRUE(dialog->OnInitDialog());
    // "EinAus" 0: the file controls are off until the box is checked.
    EXPECT_FALSE(Field<QCheckBox>(*dialog, "1065")->isChecked());
    EXPECT_FALSE(Field<CFileComboBox>(*dialog, "1064")->isEnabled());
    EXPECT_FALSE(Field<QLabel>(*dialog, "1062")->isEnabled());
    EXPECT_EQ(m_correction.GetParameters().m_valid, 1);  // loaded all the same
    Field<QCheckBox>(*dialog, "1065")->setChecked(true);
    dialog->OnCorrectionCheck();
    EXPECT_TRUE(Field<CFileComboBox>(*dialog, "1064")->isEnabled());
    Field<QCheckBox>(*dialog, "1065")->setChecked(false);
    dialog->OnCorrectionCheck();

    dialog->OnOK();
    EXPECT_EQ(m_correction.GetParameters().m_valid, 0);
    EXPECT_EQ(ReadSetting(settings::kDistortionOn), 0);
    std::vector<double> cx, cy;
    EXPECT_EQ(m_correction.ApplyToPoints(m_doc->m_points.x, m_doc->m_points.y, cx, cy, 0), 0);
    EXPECT_EQ(m_doc->m_points.x, m_field.x);
}

TEST_F(CorrectionDialogTest, BackStoresNothing) {
    WriteSetting(settings::kDistortionOn, 1);
    auto dialog = MakeCorrectionDialog();
    m_dialogScripts.push_back([](QDialog& d) {
        auto* combo = Field<CFileComboBox>(d, "1064");
        combo->setCurrentIndex(combo->FindStringExact(QStringLiteral("kamera.verz")));
        static_cast<CVerzeichnungKorrigierenDlg&>(d).OnFileSelected();
        Field<QCheckBox>(d, "1065")->setChecked(false);
        d.reject();
        return int(QDialog::Rejected);
    });
    EXPECT_EQ(dialog->DoModal(), QDialog::Rejected);
    EXPECT_EQ(m_dialogsRun, std::vector<QString>{QStringLiteral("163")});
    EXPECT_FALSE(CProfile::Contains("Verzeichnung", "Format"));
    EXPECT_EQ(ReadSetting(settings::kDistortionOn), 1);
    // The correction object keeps what the last load left.
    EXPECT_EQ(m_correction.GetParameters().m_valid, 1);
}

TEST_F(CorrectionDialogTest, WithoutCorrectionObjectTheDialogDoesNotOpen) {
    CVerzeichnungKorrigierenDlg dialog;
    EXPECT_EQ(dialog.DoModal(), QDialog::Rejected);
    EXPECT_TRUE(m_dialogsRun.empty());
}

TEST_F(CorrectionDialogTest, PostedSelectionLoadsTheChosenFile) {
    WriteSetting(settings::kDistortionOn, 1);
    auto dialog = MakeCorrectionDialog();
    ASSERT_TRUE(dialog->OnInitDialog());
    EXPECT_EQ(m_correction.GetParameters().m_valid, 0);
    auto* combo = Field<CFileComboBox>(*dialog, "1064");
    combo->setCurrentIndex(combo->FindStringExact(QStringLiteral("kamera.verz")));
    combo->OnSelChange();
    EXPECT_EQ(m_correction.GetParameters().m_valid, 0);  // posted, not yet delivered
    ProcessEvents();
    EXPECT_EQ(m_correction.GetParameters().m_valid, 1);
    EXPECT_TRUE(Description(*dialog, "1058").startsWith(QStringLiteral("Testkamera")));
}

TEST_F(CorrectionDialogTest, UnusableFilesShowNoCorrectionAndInvalidateAnEarlierLoad) {
    const std::vector<uint8_t> good = TempDir::ReadBytes(m_files.File("kamera.verz"));
    ASSERT_GT(good.size(), 20u);
    TempDir::WriteBytes(m_files.File("short.verz"),
                        std::vector<uint8_t>(good.begin(), good.end() - 5));
    std::vector<uint8_t> version = good;
    version[0] = 1;
    TempDir::WriteBytes(m_files.File("version.verz"), version);
    // Saved before any calculation: it loads, but holds no model.
    CVerzeichnungPar noModel;
    ASSERT_EQ(noModel.Save(m_files.File("leer.verz")), 1);
    CVerzeichnungPar notValid = KnownModel();
    notValid.m_valid = 0;
    ASSERT_EQ(notValid.Save(m_files.File("ungueltig.verz")), 1);
    ASSERT_EQ(mkfifo(m_files.File("pipe.verz").c_str(), 0600), 0);
    std::filesystem::create_directory(m_files.Path() / "dir.verz");

    const struct {
        QString typed;
        int loadResult;
    } cases[] = {
        {FilePath("missing.verz"), 0},   {FilePath("short.verz"), 0}, {FilePath("version.verz"), 0},
        {FilePath("pipe.verz"), 0},      {FilePath("dir.verz"), 0},   {FilePath("leer.verz"), 1},
        {FilePath("ungueltig.verz"), 1},
    };
    WriteSetting(settings::kDistortionOn, 1);
    auto dialog = MakeCorrectionDialog();
    ASSERT_TRUE(dialog->OnInitDialog());
    for (const auto& c : cases) {
        ASSERT_EQ(dialog->LoadCalibration(FilePath("kamera.verz")), 1);
        ASSERT_EQ(m_correction.GetParameters().m_valid, 1);
        Field<CFileComboBox>(*dialog, "1064")->lineEdit()->setText(c.typed);
        dialog->OnFileEditChange();
        EXPECT_EQ(m_correction.GetParameters().m_valid, 0) << c.typed.toStdString();
        EXPECT_EQ(Description(*dialog, "1058"), QStringLiteral("Keine Korrektur der Verzeichnung!"))
            << c.typed.toStdString();
        EXPECT_EQ(dialog->LoadCalibration(c.typed), c.loadResult) << c.typed.toStdString();
    }
}

TEST_F(CorrectionDialogTest, MissingRememberedFileShowsTheTipOnlyWithoutFolder) {
    for (const bool withFolder : {true, false}) {
        m_doc->m_calibrationFolder = withFolder ? m_folder : QString();
        CProfile::WriteString("Verzeichnung", "Format", FilePath("weg.verz"));
        auto dialog = MakeCorrectionDialog();
        ASSERT_TRUE(dialog->OnInitDialog());
        const QString text = Description(*dialog, "1058");
        EXPECT_TRUE(text.startsWith(QStringLiteral("Keine Korrektur der Verzeichnung!")));
        EXPECT_EQ(text.contains(QStringLiteral("TIP: In den Optionen")), !withFolder);
        EXPECT_EQ(m_correction.GetParameters().m_valid, 0);
    }
}

TEST_F(CorrectionDialogTest, CalculationNeedsA2DSystem) {
    auto dialog = MakeCorrectionDialog();
    ASSERT_TRUE(dialog->OnInitDialog());
    m_doc->m_is3D = 1;
    dialog->OnComputeDistortion();
    ASSERT_EQ(m_ui.messages.size(), 1u);
    EXPECT_EQ(m_ui.messages[0].rfind("Berechung der Verzeichnung\n\n", 0), 0u);
    EXPECT_TRUE(m_dialogsRun.empty());

    m_doc->m_is3D = 0;
    const std::vector<double>* refX = nullptr;
    int width = 0;
    m_dialogScripts.push_back([&](QDialog& d) {
        auto& calc = static_cast<CVerzeichnungBerechnenDlg&>(d);
        refX = calc.m_refX;
        width = calc.m_width;
        return int(QDialog::Rejected);
    });
    dialog->OnComputeDistortion();
    EXPECT_EQ(m_dialogsRun, std::vector<QString>{QStringLiteral("161")});
    EXPECT_EQ(refX, &m_doc->m_points.r2);
    EXPECT_EQ(width, kWidth);
}

namespace {

// Opens the calculation dialog as the correction dialog does.
std::unique_ptr<CVerzeichnungBerechnenDlg> MakeCalculationDialog(CTesseloDoc* doc) {
    auto dialog = std::make_unique<CVerzeichnungBerechnenDlg>();
    dialog->m_width = int(doc->m_image.GetWidth());
    dialog->m_height = int(doc->m_image.GetHeight());
    dialog->m_refX = &doc->m_points.r2;
    dialog->m_refY = &doc->m_points.r3;
    dialog->m_use = &doc->m_points.use2D;
    return dialog;
}

}  // namespace

TEST_F(CalculationDialogTest, CalibratesFromTheDocumentsPointsPreviewsAndSaves) {
    auto dialog = MakeCalculationDialog(m_doc);
    ASSERT_TRUE(dialog->OnInitDialog());
    EXPECT_EQ(Field<QLineEdit>(*dialog, "1004")->text(), QStringLiteral("Name der Kamera"));
    EXPECT_EQ(Field<QComboBox>(*dialog, "1064")->currentText(), QStringLiteral("5"));
    EXPECT_EQ(Field<QComboBox>(*dialog, "1063")->currentText(), QStringLiteral("1x"));
    const CDistortionGridCtrl::Lines before = dialog->Preview()->BuildLines(300, 200);
    EXPECT_TRUE(before.horizontal.empty());

    // Before a model is chosen nothing is computed.
    dialog->OnCompute();
    ASSERT_EQ(m_ui.messages, std::vector<std::string>{"Bitte Modell auswählen"});
    EXPECT_EQ(dialog->Calibration().GetParameters().m_valid, 0);

    Field<QComboBox>(*dialog, "1059")->setCurrentIndex(3);
    Field<QLineEdit>(*dialog, "1004")->setText(QStringLiteral("Fassadenkamera"));
    dialog->setResult(42);
    dialog->OnCompute();
    EXPECT_EQ(dialog->result(), 42);  // the dialog stays open
    EXPECT_EQ(m_ui.messages.size(), 1u);
    const CVerzeichnungPar& par = dialog->Calibration().GetParameters();
    ASSERT_EQ(par.m_valid, 1);
    ASSERT_EQ(par.m_sampling.size(), 1u);
    // The projective fit takes up part of the distortion's low orders; 3 % of k1 is about a
    // tenth of a pixel in the corners.
    EXPECT_NEAR(par.m_sampling[0], kK1, 0.03 * kK1);
    EXPECT_EQ(Field<QProgressBar>(*dialog, "1067")->value(), 0);
    EXPECT_TRUE(
        Description(*dialog, "1050")
            .startsWith(QStringLiteral(
                "Fassadenkamera\n\nModell 4\nParameter 1\nHauptpunkt Nein\n\nParameter:\n1: ")));

    // The preview shows the grid displaced away from the middle; "250x" and "7" reach it.
    Field<QComboBox>(*dialog, "1063")->setCurrentIndex(7);
    Field<QComboBox>(*dialog, "1064")->setCurrentIndex(6);
    dialog->OnDisplayOptionChange();
    EXPECT_EQ(dialog->Preview()->Factor(), 250);
    EXPECT_EQ(dialog->Preview()->GridParameter(), 7);
    const CDistortionGridCtrl::Lines lines = dialog->Preview()->BuildLines(606, 388);
    ASSERT_FALSE(lines.horizontal.empty());
    const QPoint corner = lines.horizontal.front().front();
    const int step = 21;
    const int left = (303 % step) + 2 * step, top = (194 % step) + 2 * step;
    // k1 > 0 corrects outwards; the preview subtracts the exaggerated correction.
    EXPECT_GT(corner.x(), left);
    EXPECT_GT(corner.y(), top);

    ChooseFile(FilePath("neu.verz"));
    dialog->OnSave();
    ASSERT_EQ(m_requests.size(), 1u);
    EXPECT_EQ(m_requests[0].mode, filechooser::Mode::Save);
    EXPECT_EQ(m_requests[0].fileName, m_folder + QStringLiteral("*.verz"));
    EXPECT_TRUE(m_requests[0].overwritePrompt);
    CVerzeichnungPar saved;
    ASSERT_EQ(saved.Load(m_files.File("neu.verz")), 1);
    EXPECT_EQ(saved.m_bez, "Fassadenkamera");
    EXPECT_EQ(saved.m_sampling, par.m_sampling);
    EXPECT_EQ(saved.m_resampling, par.m_resampling);

    ChooseFile(FilePath("neu.asc"));
    dialog->OnExportAscii();
    EXPECT_EQ(m_requests.back().fileName, m_folder + QStringLiteral("*.asc"));
    EXPECT_EQ(TempDir::ReadText(m_files.File("neu.asc")).rfind("Bez:        Fassadenkamera\r\n", 0),
              0u);
}

TEST_F(CalculationDialogTest, SingularCasesShowTheEnginesMessageAndKeepTheDialog) {
    const struct {
        const char* what;
        int model;
        std::string message;
    } cases[] = {
        {"points on one line", 3, strings::German(10058)},
        // Radius 256: every power of r is exact, so the radial columns are exactly dependent.
        {"points on one circle round the centre", 0, strings::German(10101)},
    };
    const double circle[][2] = {{256, 0}, {-256, 0}, {0, 256}, {0, -256}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        m_ui.messages.clear();
        CControlPointList& p = m_doc->m_points;
        p.Clear();
        for (int i = 0; i < 4; ++i) {
            const double x = c.model == 3 ? 100.0 + 100.0 * i : kWidth / 2 + circle[i][0];
            const double y = c.model == 3 ? 450.0 : kHeight / 2 + circle[i][1];
            p.Append(QString::number(i), x, y, 0.0, 0.01 * x + 0.001 * y, -0.01 * y);
        }
        auto dialog = MakeCalculationDialog(m_doc);
        ASSERT_TRUE(dialog->OnInitDialog());
        Field<QComboBox>(*dialog, "1059")->setCurrentIndex(c.model);
        dialog->setResult(42);
        dialog->OnCompute();
        EXPECT_EQ(m_ui.messages, std::vector<std::string>{c.message});
        EXPECT_EQ(dialog->result(), 42);
        EXPECT_EQ(dialog->Calibration().GetParameters().m_valid, 0);
        EXPECT_TRUE(Description(*dialog, "1050").isEmpty());
        EXPECT_TRUE(dialog->Preview()->BuildLines(300, 200).vertical.empty());
    }
}

TEST_F(CalculationDialogTest, LoadShowsTheFilesModelOffsetAndName) {
    CVerzeichnungPar withOffset = KnownModel();
    withOffset.m_typ = 1;
    withOffset.m_offset = 1;
    withOffset.m_sampling = {1e-7, 2e-7, 0.5, -0.25};
    withOffset.m_resampling = {-1e-7, -2e-7, -0.5, 0.25};
    ASSERT_EQ(withOffset.Save(m_files.File("offset.verz")), 1);
    auto dialog = MakeCalculationDialog(m_doc);
    ASSERT_TRUE(dialog->OnInitDialog());
    ChooseFile(FilePath("offset.verz"));
    dialog->OnLoad();
    EXPECT_EQ(m_requests.back().mode, filechooser::Mode::Open);
    EXPECT_EQ(Field<QComboBox>(*dialog, "1059")->currentIndex(), 1);
    EXPECT_TRUE(Field<QCheckBox>(*dialog, "1060")->isChecked());
    EXPECT_EQ(Field<QLineEdit>(*dialog, "1004")->text(), QStringLiteral("Testkamera"));
    EXPECT_TRUE(Description(*dialog, "1050")
                    .contains(QStringLiteral("Modell 2\nParameter 4\nHauptpunkt Ja")));
    EXPECT_FALSE(dialog->Preview()->BuildLines(300, 200).horizontal.empty());
}

TEST_F(CalculationDialogTest, ASetSavedBeforeAnyCalculationLoadsBack) {
    auto dialog = MakeCalculationDialog(m_doc);
    ASSERT_TRUE(dialog->OnInitDialog());
    Field<QLineEdit>(*dialog, "1004")->setText(QString(5000, QLatin1Char('k')));
    ChooseFile(FilePath("leer.verz"));
    dialog->OnSave();

    auto other = MakeCalculationDialog(m_doc);
    ASSERT_TRUE(other->OnInitDialog());
    ChooseFile(FilePath("leer.verz"));
    other->OnLoad();
    EXPECT_TRUE(m_ui.messages.empty());
    EXPECT_EQ(Field<QLineEdit>(*other, "1004")->text(), QString(5000, QLatin1Char('k')));
    EXPECT_EQ(Field<QComboBox>(*other, "1059")->currentIndex(), 0);
    EXPECT_EQ(other->Calibration().GetParameters().m_valid, 0);
    EXPECT_TRUE(Description(*other, "1050").isEmpty());
}

// A camera name in Windows-1252 goes through "Laden" and "Speichern" byte for byte: bytes
// that happen to form UTF-8 (C3 A4 is "Ã¤", not "ä"), every other byte value and the five
// that Windows-1252 leaves unassigned.
TEST_F(CalculationDialogTest, LoadAndSaveKeepEveryByteOfTheCameraName) {
    std::string every = "Kamera \x81\x8D\x8F\x90\x9D ";
    for (int b = 0; b < 256; ++b) every += char(b);
    const struct {
        std::string name;
        QString shown;
    } cases[] = {{"Kamera \xC3\xA4", QStringLiteral("Kamera \u00c3\u00a4")},
                 {every, QStringLiteral("Kamera \u0081\u008d\u008f\u0090\u009d ")}};
    CVerzeichnungPar unnamed = KnownModel();
    unnamed.m_bez.clear();
    ASSERT_EQ(unnamed.Save(m_files.File("leer.verz")), 1);
    const std::vector<uint8_t> empty = TempDir::ReadBytes(m_files.File("leer.verz"));
    ASSERT_EQ(empty[24], 0);  // the empty name's length
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name.size());
        std::vector<uint8_t> file(empty.begin(), empty.begin() + 24);
        if (c.name.size() < 255)
            file.push_back(uint8_t(c.name.size()));
        else
            file.insert(file.end(), {0xFF, uint8_t(c.name.size()), uint8_t(c.name.size() >> 8)});
        file.insert(file.end(), c.name.begin(), c.name.end());
        file.insert(file.end(), empty.begin() + 25, empty.end());
        TempDir::WriteBytes(m_files.File("alt.verz"), file);

        auto dialog = MakeCalculationDialog(m_doc);
        ASSERT_TRUE(dialog->OnInitDialog());
        ChooseFile(FilePath("alt.verz"));
        dialog->OnLoad();
        EXPECT_TRUE(Field<QLineEdit>(*dialog, "1004")->text().startsWith(c.shown));
        ChooseFile(FilePath("neu.verz"));
        dialog->OnSave();
        EXPECT_EQ(TempDir::ReadBytes(m_files.File("neu.verz")), file);
    }
    EXPECT_TRUE(m_ui.messages.empty());
}

// A load that fails keeps the set and the fields and says so; a save or export that fails
// keeps the old file, leaves no temporary and names the file and the reason.
TEST_F(CalculationDialogTest, FailedLoadSaveAndExportAreReported) {
    auto dialog = MakeCalculationDialog(m_doc);
    ASSERT_TRUE(dialog->OnInitDialog());
    ChooseFile(FilePath("kamera.verz"));
    dialog->OnLoad();
    ASSERT_TRUE(m_ui.messages.empty());
    const QString description = Description(*dialog, "1050");
    ASSERT_FALSE(description.isEmpty());

    TempDir::WriteBytes(m_files.File("kurz.verz"), {0, 0, 0});
    for (const char* name : {"kurz.verz", "fehlt.verz"}) {
        SCOPED_TRACE(name);
        m_ui.messages.clear();
        ChooseFile(FilePath(name));
        dialog->OnLoad();
        EXPECT_EQ(m_ui.messages, std::vector<std::string>{strings::German(10092)});
        EXPECT_EQ(Field<QComboBox>(*dialog, "1059")->currentIndex(), 3);
        EXPECT_EQ(Field<QLineEdit>(*dialog, "1004")->text(), QStringLiteral("Testkamera"));
        EXPECT_EQ(Description(*dialog, "1050"), description);
        EXPECT_EQ(dialog->Calibration().GetParameters().m_sampling, KnownModel().m_sampling);
    }

    const std::vector<uint8_t> old = {'a', 'l', 't'};
    const struct {
        const char* name;
        void (CVerzeichnungBerechnenDlg::*handler)();
    } writes[] = {{"alt.verz", &CVerzeichnungBerechnenDlg::OnSave},
                  {"alt.asc", &CVerzeichnungBerechnenDlg::OnExportAscii}};
    for (const auto& w : writes) {
        SCOPED_TRACE(w.name);
        m_ui.messages.clear();
        TempDir::WriteBytes(m_files.File(w.name), old);
        const size_t entries = m_files.EntryCount();
        ChooseFile(FilePath(w.name));
        {
            FileSizeLimit limit(20);
            ASSERT_TRUE(limit.Active());
            ((*dialog).*w.handler)();
        }
        EXPECT_EQ(m_ui.messages, std::vector<std::string>{"Datei " + m_files.File(w.name) +
                                                          " konnte nicht geschrieben werden\n\n" +
                                                          std::strerror(EFBIG)});
        EXPECT_EQ(TempDir::ReadBytes(m_files.File(w.name)), old);
        EXPECT_EQ(m_files.EntryCount(), entries);
    }
}

TEST_F(CalculationDialogTest, WithoutDocumentTheDialogDoesNotOpen) {
    m_doc->OnCloseDocument();
    ProcessEvents();
    ASSERT_EQ(GetActiveDocument(), nullptr);
    CVerzeichnungBerechnenDlg dialog;
    EXPECT_EQ(dialog.DoModal(), QDialog::Rejected);
    EXPECT_TRUE(m_dialogsRun.empty());
}
