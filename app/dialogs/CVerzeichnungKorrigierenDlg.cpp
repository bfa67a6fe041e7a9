#include "CVerzeichnungKorrigierenDlg.h"

#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "CDistortionCalibration.h"
#include "CMainFrame.h"
#include "CPostedEvents.h"
#include "CProfile.h"
#include "CTesseloApp.h"
#include "CTesseloDoc.h"
#include "CVerzeichnungBerechnenDlg.h"
#include "CommandIds.h"
#include "QtStringLookup.h"
#include "RegistrySettings.h"
#include "UserInterface.h"
#include "controls/CFileComboBox.h"

namespace {

// Texts of the string table carry Windows line ends; the edit shows plain ones.
QString PlainLines(QString text) {
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

}  // namespace

CVerzeichnungKorrigierenDlg::CVerzeichnungKorrigierenDlg(
    std::vector<double>* x, std::vector<double>* y, std::vector<double>* refX,
    std::vector<double>* refY, std::vector<int>* use, CDistortionCalibration* correction,
    QWidget* parent)
    : CModalDialog(parent),
      m_x(x),
      m_y(y),
      m_refX(refX),
      m_refY(refY),
      m_use(use),
      m_correction(correction),
      m_check(new QCheckBox(tr("Kamera Verzeichnung korrigieren"), this)),
      m_fileLabel(new QLabel(tr("Eich-Datei"), this)),
      m_description(new QPlainTextEdit(this)),
      m_files(new CFileComboBox(this)),
      m_compute(new QPushButton(tr("Verzeichnung berechnen"), this)),
      m_ok(new QPushButton(tr("Weiter >>"), this)),
      m_back(new QPushButton(tr("<< Zurück"), this)) {
    setObjectName(QStringLiteral("163"));
    setWindowTitle(tr("Objektiv-Verzeichnung korrigieren"));
    m_check->setObjectName(QStringLiteral("1065"));
    m_fileLabel->setObjectName(QStringLiteral("1062"));
    m_files->setObjectName(QStringLiteral("1064"));
    m_files->setMinimumWidth(300);
    m_files->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_description->setObjectName(QStringLiteral("1058"));
    SetReadOnly(m_description);
    m_description->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_description->setMinimumSize(420, 110);
    m_compute->setObjectName(QStringLiteral("1069"));
    m_compute->setAutoDefault(false);
    m_ok->setObjectName(QStringLiteral("1"));
    m_ok->setDefault(true);
    m_back->setObjectName(QStringLiteral("2"));
    m_back->setAutoDefault(false);

    auto* frame = new QGroupBox(this);
    auto* frameLayout = new QGridLayout(frame);
    frameLayout->addWidget(m_fileLabel, 0, 0);
    frameLayout->addWidget(m_files, 0, 1);
    frameLayout->addWidget(m_description, 1, 0, 1, 2);
    frameLayout->setColumnStretch(1, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_compute);
    buttons->addStretch(1);
    buttons->addWidget(m_back);
    buttons->addWidget(m_ok);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_check);
    layout->addWidget(frame, 1);
    layout->addLayout(buttons);
    SetTabChain({m_check, m_files, m_compute, m_ok, m_back});

    connect(m_check, &QCheckBox::clicked, this, &CVerzeichnungKorrigierenDlg::OnCorrectionCheck);
    connect(m_files->lineEdit(), &QLineEdit::textEdited, this,
            &CVerzeichnungKorrigierenDlg::OnFileEditChange);
    connect(m_compute, &QPushButton::clicked, this,
            &CVerzeichnungKorrigierenDlg::OnComputeDistortion);
    connect(m_ok, &QPushButton::clicked, this, &CVerzeichnungKorrigierenDlg::OnOK);
    connect(m_back, &QPushButton::clicked, this, &QDialog::reject);
}

void CVerzeichnungKorrigierenDlg::UpdateData(bool fromControls) {
    if (fromControls)
        m_correctionOn = m_check->isChecked() ? 1 : 0;
    else
        m_check->setChecked(m_correctionOn != 0);
}

bool CVerzeichnungKorrigierenDlg::OnInitDialog() {
    if (!m_correction) return false;
    m_correctionOn = ReadSetting(settings::kDistortionOn) != 0 ? 1 : 0;
    UpdateData(false);
    const QString lastFile =
        CProfile::GetString(settings::kCalibrationFile.section, settings::kCalibrationFile.name);
    m_files->SetFilter(LoadQString(10089));
    FillFileCombo(lastFile);
    const int loaded = LoadCalibration(lastFile);
    CTesseloDoc* doc = GetActiveDocument();
    if (!loaded && doc && doc->m_calibrationFolder.isEmpty())
        ShowText(m_description->toPlainText() + PlainLines(LoadQString(10091)));
    UpdateControls();
    if (CMainFrame* frame = CTesseloApp::Instance()->MainFrame())
        PostMessageTo(frame, msg::WM_APP_WORKFLOW_STEP, 4, 0);
    return true;
}

void CVerzeichnungKorrigierenDlg::OnCorrectionCheck() { UpdateControls(); }

void CVerzeichnungKorrigierenDlg::UpdateControls() {
    UpdateData(true);
    const bool on = m_correctionOn != 0;
    m_fileLabel->setEnabled(on);
    m_description->setEnabled(on);
    m_files->setEnabled(on);
}

void CVerzeichnungKorrigierenDlg::FillFileCombo(const QString& fileToSelect) {
    CTesseloDoc* doc = GetActiveDocument();
    m_files->Fill(doc ? doc->m_calibrationFolder : QString(), LoadQString(10090), fileToSelect);
}

void CVerzeichnungKorrigierenDlg::ShowText(const QString& text) {
    m_description->setPlainText(text);
}

int CVerzeichnungKorrigierenDlg::LoadCalibration(const QString& path) {
    if (!m_correction) return 0;
    CVerzeichnungPar& par = m_correction->GetParameters();
    // Only regular files of a calibration file's size are read: a typed path may name a
    // folder, a device or a pipe.
    const QFileInfo info(path);
    int result = 0;
    if (!path.isEmpty() && info.isFile() && info.size() <= kMaxCalibrationFileBytes)
        result = par.Load(QFile::encodeName(path).toStdString());
    if (!result) par.m_valid = 0;
    // A file saved before any calculation loads but holds no model.
    const QString text = QString::fromStdString(par.GetInfoText());
    ShowText(text.isEmpty() ? PlainLines(LoadQString(10092)) : PlainLines(text));
    return result;
}

void CVerzeichnungKorrigierenDlg::OnFileSelected() {
    LoadCalibration(m_files->GetPath(true, false));
}

void CVerzeichnungKorrigierenDlg::OnFileEditChange() { LoadCalibration(m_files->currentText()); }

void CVerzeichnungKorrigierenDlg::OnComputeDistortion() {
    CTesseloDoc* doc = GetActiveDocument();
    if (!doc) return;
    if (doc->m_is3D) {
        ui::MessageId(10098);
        return;
    }
    CVerzeichnungBerechnenDlg dialog(this);
    dialog.m_width = int(doc->m_image.GetWidth());
    dialog.m_height = int(doc->m_image.GetHeight());
    dialog.m_refX = m_refX;
    dialog.m_refY = m_refY;
    dialog.m_use = m_use;
    dialog.DoModal();
}

void CVerzeichnungKorrigierenDlg::OnOK() {
    UpdateData(true);
    CProfile::WriteString(settings::kCalibrationFile.section, settings::kCalibrationFile.name,
                          m_files->GetPath(true, false));
    WriteSetting(settings::kDistortionOn, m_correctionOn);
    CVerzeichnungPar& par = m_correction->GetParameters();
    par.m_valid = (par.m_valid && m_correctionOn) ? 1 : 0;
    accept();
}

bool CVerzeichnungKorrigierenDlg::event(QEvent* event) {
    if (event->type() == CPostedMessageEvent::TypeId()) {
        const auto* message = static_cast<CPostedMessageEvent*>(event);
        if (message->Message() == msg::WM_APP_FILE_SELECTED &&
            message->WParam() == m_files->objectName().toInt())
            OnFileSelected();
        return true;
    }
    return CModalDialog::event(event);
}
