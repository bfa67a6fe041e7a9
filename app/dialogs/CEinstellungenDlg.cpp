#include "CEinstellungenDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "CFolderDialog.h"
#include "CProfile.h"
#include "CTesseloApp.h"
#include "CTesseloDoc.h"
#include "QtStringLookup.h"
#include "RegistrySettings.h"
#include "UserInterface.h"
#include "Utilities.h"
#include "controls/CKoosysComboBox.h"

namespace {

// The leading integer of a colour text; an empty text is 0.
int LeadingInt(const QString& text) { return text.isEmpty() ? 0 : ParseCountOrMax(text); }

QString WithTrailingSlash(QString folder) {
    if (!folder.isEmpty() && !folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
    return folder;
}

}  // namespace

CEinstellungenDlg::CEinstellungenDlg(QWidget* parent)
    : CModalDialog(parent),
      m_decimals(new QComboBox(this)),
      m_koosys(new CKoosysComboBox(this)),
      m_red(new QLineEdit(this)),
      m_green(new QLineEdit(this)),
      m_blue(new QLineEdit(this)),
      m_saveAsDefaultCheck(new QCheckBox(tr("Einstellungen als Defaultwert speichern"), this)),
      m_ok(new QPushButton(tr("OK"), this)),
      m_quality(new QComboBox(this)),
      m_worldFileCheck(new QCheckBox(tr("ARC/INFO World File schreiben (2D)"), this)),
      m_geoRefFileCheck(new QCheckBox(tr("Tesselo Referenzierung schreiben"), this)),
      m_folder(new QLineEdit(this)) {
    setObjectName(QStringLiteral("155"));
    setWindowTitle(tr("Einstellungen"));
    m_koosys->setObjectName(QStringLiteral("1041"));
    m_decimals->setObjectName(QStringLiteral("1071"));
    for (int i = kMinDecimals; i <= kMaxDecimals; ++i) m_decimals->addItem(QString::number(i));
    m_quality->setObjectName(QStringLiteral("1070"));
    m_quality->setEditable(true);
    m_quality->setInsertPolicy(QComboBox::NoInsert);
    m_quality->addItems(
        {QStringLiteral("100"), QStringLiteral("90"), QStringLiteral("75"), QStringLiteral("50")});
    m_worldFileCheck->setObjectName(QStringLiteral("1038"));
    m_geoRefFileCheck->setObjectName(QStringLiteral("1040"));
    m_red->setObjectName(QStringLiteral("1043"));
    m_green->setObjectName(QStringLiteral("1044"));
    m_blue->setObjectName(QStringLiteral("1045"));
    for (QLineEdit* edit : {m_red, m_green, m_blue}) {
        edit->setAlignment(Qt::AlignRight);
        edit->setMaximumWidth(60);
    }
    m_folder->setObjectName(QStringLiteral("1050"));
    m_folder->setMinimumWidth(260);
    auto* browse = new QPushButton(QStringLiteral("..."), this);
    browse->setObjectName(QStringLiteral("1021"));
    browse->setAutoDefault(false);
    browse->setMaximumWidth(32);
    m_saveAsDefaultCheck->setObjectName(QStringLiteral("1039"));
    m_ok->setObjectName(QStringLiteral("1"));
    m_ok->setDefault(true);
    auto* cancel = new QPushButton(tr("Abbrechen"), this);
    cancel->setObjectName(QStringLiteral("2"));
    cancel->setAutoDefault(false);

    auto* koosysGroup = new QGroupBox(tr("Koordinatensystem"), this);
    auto* koosysLayout = new QFormLayout(koosysGroup);
    koosysLayout->addRow(m_koosys);
    koosysLayout->addRow(tr("Nachkommastellen bei Koordinateneingabe"), m_decimals);

    auto* qualityGroup = new QGroupBox(tr("JPG Qualität"), this);
    (new QVBoxLayout(qualityGroup))->addWidget(m_quality);

    auto* georefGroup = new QGroupBox(tr("Georeferenzierung speichern"), this);
    auto* georefLayout = new QVBoxLayout(georefGroup);
    georefLayout->addWidget(m_worldFileCheck);
    georefLayout->addWidget(m_geoRefFileCheck);

    auto* backgroundGroup = new QGroupBox(tr("Hintergrund"), this);
    auto* backgroundLayout = new QHBoxLayout(backgroundGroup);
    const std::pair<QString, QLineEdit*> colours[] = {
        {tr("Rot"), m_red}, {tr("Grün"), m_green}, {tr("Blau"), m_blue}};
    for (const auto& [label, edit] : colours) {
        backgroundLayout->addWidget(new QLabel(label, backgroundGroup));
        backgroundLayout->addWidget(edit);
    }
    backgroundLayout->addStretch(1);

    auto* folderGroup = new QGroupBox(tr("Pfad für Kamera-Eichdaten"), this);
    auto* folderLayout = new QHBoxLayout(folderGroup);
    folderLayout->addWidget(m_folder, 1);
    folderLayout->addWidget(browse);

    auto* grid = new QGridLayout;
    grid->addWidget(koosysGroup, 0, 0, 1, 2);
    grid->addWidget(qualityGroup, 1, 0);
    grid->addWidget(georefGroup, 1, 1);
    grid->addWidget(backgroundGroup, 2, 0, 1, 2);
    grid->addWidget(folderGroup, 3, 0, 1, 2);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_saveAsDefaultCheck);
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    SetTabChain({m_koosys, m_decimals, m_quality, m_worldFileCheck, m_geoRefFileCheck, m_red,
                 m_green, m_blue, m_folder, browse, m_saveAsDefaultCheck, m_ok, cancel});

    connect(browse, &QPushButton::clicked, this, &CEinstellungenDlg::OnBrowsePath);
    connect(m_ok, &QPushButton::clicked, this, &CEinstellungenDlg::OnOK);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

bool CEinstellungenDlg::OnInitDialog() {
    m_koosys->Fill(false);
    if (m_documentOnly) {
        setWindowTitle(LoadQString(10045));
        m_saveAsDefaultCheck->hide();
        m_saveAsDefault = 0;
    }
    UpdateData(false);
    LoadFromDoc();
    return true;
}

void CEinstellungenDlg::UpdateData(bool fromControls) {
    if (fromControls) {
        m_worldFile = m_worldFileCheck->isChecked() ? 1 : 0;
        m_saveAsDefault = m_saveAsDefaultCheck->isChecked() ? 1 : 0;
        m_geoRefFile = m_geoRefFileCheck->isChecked() ? 1 : 0;
        m_blueText = m_blue->text();
        m_greenText = m_green->text();
        m_redText = m_red->text();
        m_folderText = m_folder->text();
        m_qualityText = m_quality->currentText();
    } else {
        m_worldFileCheck->setChecked(m_worldFile != 0);
        m_saveAsDefaultCheck->setChecked(m_saveAsDefault != 0);
        m_geoRefFileCheck->setChecked(m_geoRefFile != 0);
        m_blue->setText(m_blueText);
        m_green->setText(m_greenText);
        m_red->setText(m_redText);
        m_folder->setText(m_folderText);
        m_quality->setCurrentText(m_qualityText);
    }
}

void CEinstellungenDlg::LoadFromDoc() {
    UpdateData(true);
    CTesseloDoc* doc = GetActiveDocument();
    if (!doc) return;
    m_qualityText = QString::number(doc->m_image.GetJpegQuality());
    m_worldFile = doc->m_worldFile;
    m_geoRefFile = doc->m_geoRefFile;
    m_koosys->Select(doc->m_koosys);
    m_decimals->setCurrentIndex(doc->m_decimals);
    m_redText = QString::number(doc->m_red);
    m_greenText = QString::number(doc->m_green);
    m_blueText = QString::number(doc->m_blue);
    m_folderText = doc->m_calibrationFolder;
    UpdateData(false);
}

void CEinstellungenDlg::FailAt(QWidget* field, const QString& message) {
    ui::Message(message.toStdString());
    field->setFocus(Qt::OtherFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(field)) edit->selectAll();
    if (auto* combo = qobject_cast<QComboBox*>(field); combo && combo->lineEdit())
        combo->lineEdit()->selectAll();
}

bool CEinstellungenDlg::ValidateAndStore() {
    UpdateData(true);
    CTesseloDoc* doc = GetActiveDocument();
    if (!doc) return false;

    const int quality = ParseCountOrMax(m_qualityText);
    if (quality < 1 || quality > 100) {
        FailAt(m_quality, LoadQString(10128));
        return false;
    }
    const QString ranges = LoadQString(10044);
    const struct {
        int value;
        QLineEdit* edit;
    } colours[] = {{LeadingInt(m_redText), m_red},
                   {LeadingInt(m_greenText), m_green},
                   {LeadingInt(m_blueText), m_blue}};
    for (int i = 0; i < 3; ++i) {
        if (colours[i].value < 0 || colours[i].value > 255) {
            FailAt(colours[i].edit, GetListToken(ranges, i));
            return false;
        }
    }

    // Every field is valid: store them all.
    doc->m_worldFile = m_worldFile;
    doc->m_geoRefFile = m_geoRefFile;
    // A combo without a selection keeps the document's value instead of storing -1.
    if (m_koosys->GetSelected() >= 0) doc->m_koosys = m_koosys->GetSelected();
    if (m_decimals->currentIndex() >= 0) doc->m_decimals = m_decimals->currentIndex();
    doc->m_image.SetJpegQuality(static_cast<uint8_t>(quality));
    doc->m_blue = colours[2].value;
    doc->m_green = colours[1].value;
    doc->m_red = colours[0].value;
    doc->m_is3D = doc->m_koosys < 2 ? 1 : 0;
    doc->m_calibrationFolder = WithTrailingSlash(m_folderText);
    return true;
}

void CEinstellungenDlg::OnOK() {
    if (!ValidateAndStore()) return;
    if (m_saveAsDefault) SaveDefaults();
    accept();
}

void CEinstellungenDlg::SaveDefaults() {
    CTesseloDoc* doc = GetActiveDocument();
    if (!doc) return;
    WriteSetting(settings::kWorldFile, doc->m_worldFile);
    WriteSetting(settings::kGeoRefFile, doc->m_geoRefFile);
    WriteSetting(settings::kKoosys, doc->m_koosys);
    WriteSetting(settings::kBlue, doc->m_blue);
    WriteSetting(settings::kGreen, doc->m_green);
    WriteSetting(settings::kRed, doc->m_red);
    CProfile::WriteString(settings::kCalibrationFolder.section, settings::kCalibrationFolder.name,
                          doc->m_calibrationFolder);
    WriteSetting(settings::kJpegQuality, doc->m_image.GetJpegQuality());
    WriteSetting(settings::kDecimals, doc->m_decimals);
}

void CEinstellungenDlg::OnBrowsePath() {
    UpdateData(true);
    QString folder = m_folderText;
    if (folder.isEmpty()) {
        const CTesseloApp* app = CTesseloApp::Instance();
        folder = app ? app->StartDirectory() : QString();
    }
    for (;;) {
        CFolderDialog dialog(&folder, LoadQString(10045), QStringLiteral("*.verz"));
        if (dialog.DoModal() != QDialog::Accepted) return;
        if (!folder.isEmpty()) break;
    }
    m_folderText = WithTrailingSlash(folder);
    UpdateData(false);
}
