#include "CVerzeichnungBerechnenDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "CLongLoopFilter.h"
#include "CQtProgress.h"
#include "CTesseloApp.h"
#include "CTesseloDoc.h"
#include "QtStringLookup.h"
#include "TextFile.h"
#include "UserInterface.h"
#include "controls/CDistortionGridCtrl.h"
#include "dialogs/CMyFileDialog.h"

namespace {

// Texts of the string table and the parameter set carry Windows line ends.
QString PlainLines(QString text) {
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

std::string FileName(const QString& path) { return QFile::encodeName(path).toStdString(); }

// What a one-line edit needs beside its text: frame, inner margins and the cursor.
constexpr int kEditFrameAndMargins = 16;

// The progress bar of the calibration. Each step also delivers pending events, so that the
// window stays painted while the long-loop guard swallows the user's input.
class CCalibrationProgress final : public ui::CProgress {
public:
    explicit CCalibrationProgress(QProgressBar* bar) : m_bar(bar) {}
    void SetRange(int lower, int upper) override { m_bar.SetRange(lower, upper); }
    void SetStep(int step) override { m_bar.SetStep(step); }
    void StepIt() override {
        m_bar.StepIt();
        // The calibration cannot be stopped; Escape is swallowed with the rest.
        if (CLongLoopFilter* guard = CLongLoopFilter::Active()) guard->PollEscape();
    }
    void SetPos(int pos) override { m_bar.SetPos(pos); }

private:
    CQtProgress m_bar;
};

}  // namespace

CVerzeichnungBerechnenDlg::CVerzeichnungBerechnenDlg(QWidget* parent)
    : CModalDialog(parent),
      m_cameraName(LoadQString(10100)),
      m_export(new QPushButton(tr("Exp"), this)),
      m_save(new QPushButton(tr("Speichern"), this)),
      m_progress(new QProgressBar(this)),
      m_density(new QComboBox(this)),
      m_exaggeration(new QComboBox(this)),
      m_model(new QComboBox(this)),
      m_preview(new CDistortionGridCtrl(this)),
      m_offsetCheck(new QCheckBox(tr("Offset Zentrum berechnen"), this)),
      m_descriptionEdit(new QPlainTextEdit(this)),
      m_cameraEdit(new QLineEdit(this)) {
    setObjectName(QStringLiteral("161"));
    setWindowTitle(tr("Verzeichnung berechnen"));
    m_model->setObjectName(QStringLiteral("1059"));
    m_model->addItems({tr("1: Radialsymmetrisch, Grad 6"),
                       tr("2: Kombination Quadratisch + Bilinear"), tr("3: 1 + 2 kombiniert"),
                       tr("4: Radialsymmetrisch, Grad 3")});
    m_model->setCurrentIndex(-1);
    m_offsetCheck->setObjectName(QStringLiteral("1060"));
    m_cameraEdit->setObjectName(QStringLiteral("1004"));
    // The default camera name shows whole, in either language.
    m_cameraEdit->setMinimumWidth(m_cameraEdit->fontMetrics().horizontalAdvance(m_cameraName) +
                                  kEditFrameAndMargins);
    auto* compute = new QPushButton(tr("Berechnen"), this);
    compute->setObjectName(QStringLiteral("1045"));
    m_progress->setObjectName(QStringLiteral("1067"));
    m_progress->setTextVisible(false);
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_preview->setObjectName(QStringLiteral("1062"));
    m_preview->setFixedSize(606, 388);
    m_density->setObjectName(QStringLiteral("1064"));
    for (int i = 1; i <= 10; ++i) m_density->addItem(QString::number(i));
    m_exaggeration->setObjectName(QStringLiteral("1063"));
    m_exaggeration->addItems({QStringLiteral("1x"), QStringLiteral("2x"), QStringLiteral("5x"),
                              QStringLiteral("10x"), QStringLiteral("25x"), QStringLiteral("50x"),
                              QStringLiteral("100x"), QStringLiteral("250x"),
                              QStringLiteral("500x"), QStringLiteral("1000x")});
    m_descriptionEdit->setObjectName(QStringLiteral("1050"));
    SetReadOnly(m_descriptionEdit);
    m_descriptionEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_descriptionEdit->setFixedHeight(128);
    auto* load = new QPushButton(tr("Laden"), this);
    load->setObjectName(QStringLiteral("1046"));
    m_save->setObjectName(QStringLiteral("1047"));
    m_export->setObjectName(QStringLiteral("1048"));
    auto* close = new QPushButton(tr("Schließen"), this);
    close->setObjectName(QStringLiteral("2"));
    for (QPushButton* button : {compute, load, m_save, m_export, close})
        button->setAutoDefault(false);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(tr("Modell"), this));
    top->addWidget(m_model, 1);
    top->addSpacing(8);
    top->addWidget(m_offsetCheck);
    top->addSpacing(8);
    top->addWidget(new QLabel(tr("Kamera"), this));
    top->addWidget(m_cameraEdit, 1);
    top->addSpacing(8);
    top->addWidget(compute);

    auto* options = new QGridLayout;
    options->addWidget(new QLabel(tr("Liniendichte"), this), 0, 0);
    options->addWidget(m_density, 0, 1);
    options->addWidget(new QLabel(tr("Übertreiben"), this), 1, 0);
    options->addWidget(m_exaggeration, 1, 1);
    options->setRowStretch(2, 1);

    auto* files = new QGridLayout;
    files->addWidget(load, 0, 0);
    files->addWidget(m_save, 0, 1);
    files->addWidget(m_export, 1, 0);
    files->addWidget(close, 1, 1);
    files->setRowStretch(2, 1);

    auto* bottom = new QHBoxLayout;
    bottom->addLayout(options);
    bottom->addWidget(m_descriptionEdit, 1);
    bottom->addLayout(files);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_progress);
    layout->addWidget(m_preview, 0, Qt::AlignHCenter);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    SetTabChain({m_model, m_offsetCheck, m_cameraEdit, compute, m_density, m_exaggeration, load,
                 m_save, m_export, close});

    connect(compute, &QPushButton::clicked, this, &CVerzeichnungBerechnenDlg::OnCompute);
    connect(load, &QPushButton::clicked, this, &CVerzeichnungBerechnenDlg::OnLoad);
    connect(m_save, &QPushButton::clicked, this, &CVerzeichnungBerechnenDlg::OnSave);
    connect(m_export, &QPushButton::clicked, this, &CVerzeichnungBerechnenDlg::OnExportAscii);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_density, &QComboBox::activated, this,
            &CVerzeichnungBerechnenDlg::OnDisplayOptionChange);
    connect(m_exaggeration, &QComboBox::activated, this,
            &CVerzeichnungBerechnenDlg::OnDisplayOptionChange);
}

void CVerzeichnungBerechnenDlg::UpdateData(bool fromControls) {
    if (fromControls) {
        m_offset = m_offsetCheck->isChecked() ? 1 : 0;
        m_description = m_descriptionEdit->toPlainText();
        m_cameraName = m_cameraEdit->text();
    } else {
        m_offsetCheck->setChecked(m_offset != 0);
        m_descriptionEdit->setPlainText(m_description);
        m_cameraEdit->setText(m_cameraName);
    }
}

bool CVerzeichnungBerechnenDlg::OnInitDialog() {
    CTesseloDoc* doc = GetActiveDocument();
    if (!doc) return false;
    m_x = &doc->m_points.x;
    m_y = &doc->m_points.y;
    UpdateData(false);
    m_density->setCurrentIndex(m_density->findText(QStringLiteral("5")));
    m_exaggeration->setCurrentIndex(m_exaggeration->findText(QStringLiteral("1x")));
    m_preview->SetCalibration(&m_calibration);
    ReadDisplayOptions();
    return true;
}

void CVerzeichnungBerechnenDlg::OnDisplayOptionChange() { ReadDisplayOptions(); }

void CVerzeichnungBerechnenDlg::ReadDisplayOptions() {
    m_preview->SetGridParameter(m_density->currentText().toInt());
    QString factor = m_exaggeration->currentText();
    factor.chop(1);
    m_preview->SetFactor(factor.toInt());
    m_preview->repaint();
}

void CVerzeichnungBerechnenDlg::ShowDescription() {
    UpdateData(true);
    m_description = PlainLines(QString::fromStdString(m_calibration.GetParameters().GetInfoText()));
    UpdateData(false);
}

void CVerzeichnungBerechnenDlg::OnCompute() {
    UpdateData(true);
    // A set without a model would be saved with a type no reader accepts.
    const int model = m_model->currentIndex();
    if (model < 0) {
        ui::MessageId(10099);
        return;
    }
    CVerzeichnungPar& par = m_calibration.GetParameters();
    par.m_typ = model;
    par.m_offset = m_offset;
    par.m_bez = m_cameraName.toStdString();
    static const std::vector<double> kNone;
    static const std::vector<int> kNoFlags;
    {
        CLongLoopFilter guard;
        CCalibrationProgress progress(m_progress);
        m_calibration.Calibrate(m_x ? *m_x : kNone, m_y ? *m_y : kNone, m_refX ? *m_refX : kNone,
                                m_refY ? *m_refY : kNone, m_use ? *m_use : kNoFlags, m_active,
                                m_width, m_height, &progress);
    }
    ReadDisplayOptions();
    ShowDescription();
}

QString CVerzeichnungBerechnenDlg::ChooseFile(bool open, int filterId, int extensionId) {
    const QString extension = LoadQString(extensionId);
    CTesseloDoc* doc = GetActiveDocument();
    const QString pattern = QStringLiteral("*.") + extension;
    const QString fileName = doc ? doc->m_calibrationFolder + pattern : pattern;
    const unsigned flags =
        CMyFileDialog::kHideReadOnly | (open ? 0u : CMyFileDialog::kOverwritePrompt);
    CMyFileDialog dialog(open, extension, fileName, flags, LoadQString(filterId), this);
    if (dialog.DoModal() != QDialog::Accepted) return QString();
    return dialog.GetPathName();
}

void CVerzeichnungBerechnenDlg::OnLoad() {
    UpdateData(true);
    const QString path = ChooseFile(true, 10089, 10090);
    if (path.isEmpty()) return;
    // A file that cannot be read leaves the set as it was: it must not pass for the file's.
    if (!m_calibration.GetParameters().Load(FileName(path))) {
        ui::Message(PlainLines(LoadQString(10092)).toStdString(), ui::Buttons::Ok,
                    ui::Icon::Warning);
        return;
    }
    ShowParameters();
}

void CVerzeichnungBerechnenDlg::ShowParameters() {
    const CVerzeichnungPar& par = m_calibration.GetParameters();
    m_model->setCurrentIndex(par.m_typ >= 0 && par.m_typ < m_model->count() ? par.m_typ : -1);
    m_offset = par.m_offset;
    m_cameraName = QString::fromStdString(par.m_bez);
    UpdateData(false);
    ShowDescription();
    ReadDisplayOptions();
}

void CVerzeichnungBerechnenDlg::OnSave() {
    UpdateData(true);
    m_calibration.GetParameters().m_bez = m_cameraName.toStdString();
    const QString path = ChooseFile(false, 10089, 10090);
    if (path.isEmpty()) return;
    std::string error;
    if (!m_calibration.GetParameters().Save(FileName(path), &error))
        ReportWriteFailure(path, QString::fromStdString(error));
}

void CVerzeichnungBerechnenDlg::OnExportAscii() {
    UpdateData(true);
    m_calibration.GetParameters().m_bez = m_cameraName.toStdString();
    const QString path = ChooseFile(false, 10095, 10104);
    if (path.isEmpty()) return;
    std::string error;
    if (!m_calibration.GetParameters().ExportAscii(FileName(path), &error))
        ReportWriteFailure(path, QString::fromStdString(error));
}
