#include "CErgebnisseAusgleichDlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <climits>
#include <cmath>

#include "CLongLoopFilter.h"
#include "CQtProgress.h"
#include "CRaster.h"
#include "CTesseloApp.h"
#include "CTesseloDoc.h"
#include "ChainSupport.h"
#include "QtStringLookup.h"
#include "RegistrySettings.h"
#include "UserInterface.h"
#include "Utilities.h"
#include "controls/CListCtrlEx.h"
#include "controls/CNumEdit.h"

namespace {

// ⌊v + 0.5⌋ as a pixel count: 0 for values that are no count, INT_MAX beyond the int range.
int RoundCount(double v) {
    if (!(v >= 0.0)) return 0;
    if (v + 0.5 >= double(INT_MAX)) return INT_MAX;
    return int(v + 0.5);
}

// Metres of one pixel at a scale denominator and a resolution in dpi.
double PixelSizeFrom(double scale, double dpi) { return scale * 2.54 / 100.0 / dpi; }

int ReadInt(const QLineEdit* edit) {
    bool ok = false;
    const int value = edit->text().trimmed().toInt(&ok);
    return ok ? value : 0;
}

// Focus-out of a size field runs its handler after the field has taken its own value.
class CKillFocusFilter : public QObject {
public:
    CKillFocusFilter(QObject* parent, std::function<void()> handler)
        : QObject(parent), m_handler(std::move(handler)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::FocusOut) {
            QMetaObject::invokeMethod(
                this, [this] { m_handler(); }, Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_handler;
};

}  // namespace

CErgebnisseAusgleichDlg::CErgebnisseAusgleichDlg(QWidget* parent)
    : CModalDialog(parent),
      m_dpi(new CNumEdit(this)),
      m_scale(new CNumEdit(this)),
      m_escapeHint(new QLabel(tr("(ESC ... Abbruch)"), this)),
      m_pixelSize(new CNumEdit(this)),
      m_heightEdit(new QLineEdit(this)),
      m_widthEdit(new QLineEdit(this)),
      m_sourceWidthEdit(new QLineEdit(this)),
      m_sourceHeightEdit(new QLineEdit(this)),
      m_progress(new QProgressBar(this)),
      m_ok(new QPushButton(tr("Bild entzerren"), this)),
      m_list(new CListCtrlEx(this)),
      m_modes(new QButtonGroup(this)),
      m_interpolateCheck(new QCheckBox(tr("Farben interpolieren"), this)) {
    setObjectName(QStringLiteral("136"));
    setWindowTitle(tr("Ergebnisse Ausgleich der Transformationsparameter"));
    m_dpi->setObjectName(QStringLiteral("1024"));
    m_scale->setObjectName(QStringLiteral("1020"));
    m_escapeHint->setObjectName(QStringLiteral("1023"));
    m_pixelSize->setObjectName(QStringLiteral("1018"));
    m_heightEdit->setObjectName(QStringLiteral("1015"));
    m_widthEdit->setObjectName(QStringLiteral("1014"));
    m_sourceWidthEdit->setObjectName(QStringLiteral("1016"));
    m_sourceHeightEdit->setObjectName(QStringLiteral("1017"));
    m_progress->setObjectName(QStringLiteral("1019"));
    m_ok->setObjectName(QStringLiteral("1"));
    m_list->setObjectName(QStringLiteral("1012"));
    m_interpolateCheck->setObjectName(QStringLiteral("1028"));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setMinimumSize(300, 220);
    m_progress->setTextVisible(false);
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_escapeHint->setEnabled(false);
    for (QLineEdit* edit : {m_sourceWidthEdit, m_sourceHeightEdit}) SetReadOnly(edit);
    for (QLineEdit* edit :
         std::initializer_list<QLineEdit*>{m_dpi, m_scale, m_pixelSize, m_heightEdit, m_widthEdit,
                                           m_sourceWidthEdit, m_sourceHeightEdit}) {
        edit->setAlignment(Qt::AlignRight);
        edit->setMaximumWidth(110);
    }

    auto* targetSize = new QRadioButton(tr("Größe des Zielbildes"), this);
    auto* scaleMode = new QRadioButton(tr("Maßstab, Auflösung"), this);
    auto* pixelMode = new QRadioButton(tr("Größe eines Pixel"), this);
    targetSize->setObjectName(QStringLiteral("1021"));
    scaleMode->setObjectName(QStringLiteral("1025"));
    pixelMode->setObjectName(QStringLiteral("1022"));
    m_modes->addButton(targetSize, 0);
    m_modes->addButton(scaleMode, 1);
    m_modes->addButton(pixelMode, 2);
    auto* cancel = new QPushButton(tr("<< Zurück"), this);
    cancel->setObjectName(QStringLiteral("2"));
    cancel->setAutoDefault(false);
    m_ok->setDefault(true);

    auto label = [this](const QString& text) { return new QLabel(text, this); };
    auto* source = new QGroupBox(tr("Größe des Ausgangsbildes"), this);
    auto* sourceLayout = new QGridLayout(source);
    sourceLayout->addWidget(label(tr("Breite")), 0, 0);
    sourceLayout->addWidget(m_sourceWidthEdit, 0, 1);
    sourceLayout->addWidget(label(tr("Höhe")), 1, 0);
    sourceLayout->addWidget(m_sourceHeightEdit, 1, 1);

    auto* target = new QGroupBox(this);
    auto* targetLayout = new QGridLayout(target);
    targetLayout->addWidget(targetSize, 0, 0, 1, 3);
    targetLayout->addWidget(label(tr("Breite")), 1, 0);
    targetLayout->addWidget(m_widthEdit, 1, 1);
    targetLayout->addWidget(label(tr("Höhe")), 2, 0);
    targetLayout->addWidget(m_heightEdit, 2, 1);
    targetLayout->addWidget(scaleMode, 3, 0, 1, 3);
    targetLayout->addWidget(label(tr("Maßstab  1:")), 4, 0);
    targetLayout->addWidget(m_scale, 4, 1);
    targetLayout->addWidget(label(tr("Auflösung")), 5, 0);
    targetLayout->addWidget(m_dpi, 5, 1);
    targetLayout->addWidget(label(tr("dpi")), 5, 2);
    targetLayout->addWidget(pixelMode, 6, 0, 1, 3);
    targetLayout->addWidget(label(tr("1 Pixel = ")), 7, 0);
    targetLayout->addWidget(m_pixelSize, 7, 1);
    targetLayout->addWidget(label(tr("cm")), 7, 2);

    auto* residuals = new QGroupBox(tr("Verbesserungen"), this);
    (new QVBoxLayout(residuals))->addWidget(m_list);

    auto* right = new QVBoxLayout;
    right->addWidget(source);
    right->addWidget(target);
    right->addWidget(m_interpolateCheck);
    right->addStretch(1);
    auto* top = new QHBoxLayout;
    top->addWidget(residuals, 1);
    top->addLayout(right);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_progress, 1);
    bottom->addWidget(m_escapeHint);
    bottom->addWidget(cancel);
    bottom->addWidget(m_ok);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(bottom);
    SetTabChain({m_list, targetSize, m_widthEdit, m_heightEdit, scaleMode, m_scale, m_dpi,
                 pixelMode, m_pixelSize, m_interpolateCheck, m_ok, cancel});

    m_sizeFields = {{m_widthEdit, &CErgebnisseAusgleichDlg::OnKillFocusWidth},
                    {m_heightEdit, &CErgebnisseAusgleichDlg::OnKillFocusHeight},
                    {m_pixelSize, &CErgebnisseAusgleichDlg::OnKillFocusPixelSize},
                    {m_dpi, &CErgebnisseAusgleichDlg::OnKillFocusDpi},
                    {m_scale, &CErgebnisseAusgleichDlg::OnKillFocusScale}};
    for (const auto& [edit, handler] : m_sizeFields)
        edit->installEventFilter(new CKillFocusFilter(edit, [this, h = handler] { (this->*h)(); }));
    connect(targetSize, &QRadioButton::clicked, this, &CErgebnisseAusgleichDlg::OnTargetSizeMode);
    connect(scaleMode, &QRadioButton::clicked, this, &CErgebnisseAusgleichDlg::OnScaleMode);
    connect(pixelMode, &QRadioButton::clicked, this, &CErgebnisseAusgleichDlg::OnPixelSizeMode);
    connect(m_ok, &QPushButton::clicked, this, &CErgebnisseAusgleichDlg::OnOK);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CErgebnisseAusgleichDlg::UpdateData(bool fromControls) {
    if (fromControls) {
        m_targetWidth = ReadInt(m_widthEdit);
        m_targetHeight = ReadInt(m_heightEdit);
        m_sizeMode = std::max(0, m_modes->checkedId());
        m_interpolate = m_interpolateCheck->isChecked() ? 1 : 0;
    } else {
        m_sourceWidthEdit->setText(QString::number(m_sourceWidth));
        m_sourceHeightEdit->setText(QString::number(m_sourceHeight));
        m_widthEdit->setText(QString::number(m_targetWidth));
        m_heightEdit->setText(QString::number(m_targetHeight));
        if (QAbstractButton* button = m_modes->button(m_sizeMode)) button->setChecked(true);
        m_interpolateCheck->setChecked(m_interpolate != 0);
    }
}

double CErgebnisseAusgleichDlg::FieldValue(const CNumEdit* field) {
    const double value = field->GetValue();
    return IsUndefined(value) || !std::isfinite(value) ? 0.0 : value;
}

bool CErgebnisseAusgleichDlg::OnInitDialog() {
    CTesseloDoc* doc = GetActiveDocument();
    if (!doc || !m_names || !m_imageX || !m_imageY || !m_refX || !m_refY || !m_use) return false;
    // The list's columns are sized from its width, which it has before the dialog shows.
    m_list->resize(m_list->minimumSize());
    m_sourceDoc = doc;
    m_entzerrung.SetBackground(doc->m_red, doc->m_green, doc->m_blue);
    m_sourceImage = &doc->m_image;
    m_dpi->SetDecimals(0);
    m_scale->SetSignificantDigits(3, 5);
    m_pixelSize->SetSignificantDigits(3, 5);
    const QString headings = LoadQString(10014);
    for (int c = 0; c < 3; ++c) m_list->InsertColumnPercent(GetListToken(headings, c), c, 32);

    if (!RunAdjustment()) return false;
    m_adjusted = 1;
    m_sourceWidth = int(m_sourceImage->GetWidth());
    m_sourceHeight = int(m_sourceImage->GetHeight());
    m_aspect =
        m_entzerrung.ComputeTargetExtent(*m_sourceImage, m_targetWidth, m_targetHeight, m_extentX);
    m_scale->SetValue(10.0);
    const double p = m_sourceWidth > 0 ? m_extentX / m_sourceWidth : 0.0;
    m_pixelSize->SetValue(p * 100.0);
    UpdateData(false);
    UpdateFromPixelSize(p);
    UpdateControls();
    chain::PostWorkflowStep(6);
    return true;
}

bool CErgebnisseAusgleichDlg::RunAdjustment() {
    m_entzerrung.m_imageX.clear();
    m_entzerrung.m_imageY.clear();
    m_entzerrung.m_refX.clear();
    m_entzerrung.m_refY.clear();
    const size_t n = std::min({m_imageX->size(), m_imageY->size(), m_refX->size(), m_refY->size(),
                               m_use->size(), size_t(m_names->size())});
    QStringList names;
    for (size_t i = 0; i < n; ++i) {
        if ((*m_use)[i] != m_activeValue) continue;
        m_entzerrung.m_imageX.push_back((*m_imageX)[i]);
        m_entzerrung.m_imageY.push_back((*m_imageY)[i]);
        m_entzerrung.m_refX.push_back((*m_refX)[i]);
        m_entzerrung.m_refY.push_back((*m_refY)[i]);
        names.append(m_names->at(qsizetype(i)));
    }
    if (names.size() < 4) {
        ui::MessageId(10015);
        return false;
    }
    m_list->DeleteAllItems();
    if (!m_entzerrung.Adjust()) return false;
    CTesseloDoc* doc = GetActiveDocument();
    if (!doc) return false;
    const CGMatrix& v = m_entzerrung.GetResiduals();
    for (int r = 0; r < names.size(); ++r) {
        m_list->SetItemTextEx(names.at(r), r, 0);
        for (int k = 1; k <= 2; ++k) {
            const double value = v.GetAt(2 * r + k, 1);
            m_list->SetItemTextEx(IsUndefined(value)
                                      ? QStringLiteral("---")
                                      : chain::FormatNumber("8.%if", doc->m_decimals, value * 100),
                                  r, k);
        }
    }
    return true;
}

void CErgebnisseAusgleichDlg::UpdateControls() {
    UpdateData(true);
    m_ok->setEnabled(m_adjusted != 0);
    SetReadOnly(m_widthEdit, m_sizeMode != 0);
    SetReadOnly(m_heightEdit, m_sizeMode != 0);
    SetReadOnly(m_scale, m_sizeMode != 1);
    SetReadOnly(m_dpi, m_sizeMode != 1);
    SetReadOnly(m_pixelSize, m_sizeMode != 2);
}

void CErgebnisseAusgleichDlg::SetSizeFromPixelSize(double p) {
    m_targetWidth = RoundCount(m_extentX / p);
    m_targetHeight = RoundCount(m_extentX / p * m_aspect);
}

void CErgebnisseAusgleichDlg::UpdateFromPixelSize(double p) {
    UpdateData(true);
    if (!(p > 0.0) || !std::isfinite(p)) {
        m_pixelSize->SetValue(0.1);
        p = 0.001;
    }
    SetSizeFromPixelSize(p);
    m_dpi->SetValue(FieldValue(m_scale) * 2.54 / 100.0 / p);
    UpdateData(false);
}

void CErgebnisseAusgleichDlg::OnKillFocusPixelSize() {
    if (m_pixelSize->isReadOnly()) return;
    UpdateFromPixelSize(FieldValue(m_pixelSize) / 100.0);
}

void CErgebnisseAusgleichDlg::OnKillFocusWidth() {
    if (m_widthEdit->isReadOnly()) return;
    UpdateData(true);
    if (m_aspect != 0.0 && m_targetWidth > 0) {
        m_targetHeight = RoundCount(m_aspect * m_targetWidth);
        const double p = m_extentX / m_targetWidth;
        m_pixelSize->SetValue(p * 100.0);
        m_dpi->SetValue(FieldValue(m_scale) * 2.54 / 100.0 / p);
    } else {
        m_pixelSize->SetValue(0.0);
        m_dpi->SetValue(0.0);
        m_targetHeight = 0;
    }
    UpdateData(false);
}

void CErgebnisseAusgleichDlg::OnKillFocusHeight() {
    if (m_heightEdit->isReadOnly()) return;
    UpdateData(true);
    if (m_aspect != 0.0 && m_targetHeight > 0) {
        m_targetWidth = RoundCount(m_targetHeight / m_aspect);
        if (m_targetWidth > 0) {
            const double p = m_extentX / m_targetWidth;
            m_pixelSize->SetValue(p * 100.0);
            m_dpi->SetValue(FieldValue(m_scale) * 2.54 / 100.0 / p);
        } else {
            m_pixelSize->SetValue(0.0);
            m_dpi->SetValue(0.0);
        }
    } else {
        m_targetWidth = 0;
        m_pixelSize->SetValue(0.0);
        m_dpi->SetValue(0.0);
    }
    UpdateData(false);
}

void CErgebnisseAusgleichDlg::OnKillFocusDpi() {
    if (m_dpi->isReadOnly()) return;
    UpdateData(true);
    double d = FieldValue(m_dpi);
    if (!(d > 0.0)) {
        m_dpi->SetValue(1.0);
        d = 1.0;
    }
    const double p = PixelSizeFrom(FieldValue(m_scale), d);
    SetSizeFromPixelSize(p);
    m_pixelSize->SetValue(p * 100.0);
    UpdateData(false);
}

void CErgebnisseAusgleichDlg::OnKillFocusScale() {
    if (m_scale->isReadOnly()) return;
    UpdateData(true);
    double s = FieldValue(m_scale);
    if (!(s > 0.0)) {
        m_scale->SetValue(100.0);
        s = 100.0;
    }
    const double p = PixelSizeFrom(s, FieldValue(m_dpi));
    SetSizeFromPixelSize(p);
    m_pixelSize->SetValue(p * 100.0);
    UpdateData(false);
}

bool CErgebnisseAusgleichDlg::TargetSizeFor(double p, int& width, int& height) const {
    width = height = 0;
    double minX, minY, maxX, maxY;
    m_entzerrung.GetExtent(minX, minY, maxX, maxY);
    const double span = maxX - minX;
    if (!(p > 0.0) || !std::isfinite(p) || !(span > 0.0) || !std::isfinite(span)) return false;
    // The sizes the rectification derives from the extent and the pixel size.
    const double w = span / p + 0.5;
    const double h = span / p * m_aspect + 0.5;
    const double limit = CEntzerrung::kMaxTargetSide + 1.0;
    if (!(w >= 1.0 && w < limit && h >= 1.0 && h < limit)) return false;
    width = int(w);
    height = int(h);
    const uint64_t stride = (uint64_t(width) * 3 + 3) & ~uint64_t{3};
    return stride * uint64_t(height) + sizeof(BITMAPINFOHEADER) <= RASTER_MAX_MEMORY;
}

bool CErgebnisseAusgleichDlg::Rectify(CTesseloDoc& source, CTesseloDoc& target, double p) {
    m_targetImage = &target.m_image;
    if (!m_entzerrung.PrepareTarget(*m_sourceImage, *m_targetImage, p, m_aspect)) return false;
    m_targetImage->SetJpegQuality(source.m_image.GetJpegQuality());
    // A size fixed by scale and resolution travels in the image, so that the saved file prints
    // at that scale.
    const double dpi = FieldValue(m_dpi);
    if (m_sizeMode == 1 && dpi >= 0.5 && dpi < double(INT_MAX)) {
        m_targetImage->SetXDPI(int32_t(dpi + 0.5));
        m_targetImage->SetYDPI(int32_t(dpi + 0.5));
    }

    // The extent of the pixel grid that is sampled: each pixel spans p in both axes.
    double minX, minY, maxX, maxY;
    m_entzerrung.GetExtent(minX, minY, maxX, maxY);
    target.m_extentLeft = minX + m_entzerrung.GetMeanX();
    target.m_extentTop = m_entzerrung.GetMeanY() - minY;
    target.m_extentRight = target.m_extentLeft + p * m_targetImage->GetWidth();
    target.m_extentBottom = target.m_extentTop - p * m_targetImage->GetHeight();

    m_escapeHint->setEnabled(true);
    int result = 0;
    {
        // No input reaches the dialogs while the rows are computed; Escape is recorded.
        CLongLoopFilter guard;
        CQtProgress progress(m_progress);
        result = m_entzerrung.Rectify(*m_sourceImage, *m_targetImage, &progress, m_interpolate != 0,
                                      m_distortion);
    }
    m_escapeHint->setEnabled(false);
    return result != 0;
}

void CErgebnisseAusgleichDlg::ApplyFieldInEdit() {
    QWidget* focused = focusWidget();
    for (const auto& [edit, handler] : m_sizeFields) {
        if (edit != focused) continue;
        if (auto* number = qobject_cast<CNumEdit*>(edit)) number->OnKillFocus();
        (this->*handler)();
    }
}

void CErgebnisseAusgleichDlg::OnOK() {
    // Enter starts the rectification while a size field still has the focus: what was typed
    // there counts, as it would after leaving the field.
    ApplyFieldInEdit();
    UpdateData(true);
    CTesseloDoc* source = m_sourceDoc;
    if (!source || !m_adjusted) return;
    const double p = FieldValue(m_pixelSize) / 100.0;
    int width = 0, height = 0;
    if (!TargetSizeFor(p, width, height)) {
        chain::FailAt(m_pixelSize,
                      tr("Die Größe des Zielbildes ist ungültig: Es muss mindestens 1 x 1 Pixel "
                         "groß sein und in den Speicher passen.\n\nBitte eine andere Größe "
                         "wählen."));
        return;
    }

    CTesseloApp* app = CTesseloApp::Instance();
    if (!app || !app->OnFileNew()) return;
    CTesseloDoc* target = GetActiveDocument();
    if (!target || target == source) return;
    target->TakeTargetSettings(*source);
    if (m_targetKoosys != -1) {
        target->m_koosys = m_targetKoosys;
        target->m_is3D = m_targetKoosys < 2 ? 1 : 0;
    }
    target->m_isSource = 0;

    if (!Rectify(*source, *target, p)) {
        target->OnCloseDocument();
        app->SetActiveDocument(source);
        return;
    }
    target->SetImageChanged();
    target->SetModifiedFlag();
    if (m_targetKoosys != -1) WriteSetting(settings::kKoosysRect, m_targetKoosys);
    target->SetTitle(10016);
    chain::PostWorkflowStep(8);
    accept();
}
