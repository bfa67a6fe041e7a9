#include "CRechteckDlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

#include "CErgebnisseAusgleichDlg.h"
#include "CTesseloApp.h"
#include "CTesseloDoc.h"
#include "CTesseloView.h"
#include "ChainSupport.h"
#include "QtStringLookup.h"
#include "RegistrySettings.h"
#include "UserInterface.h"
#include "Utilities.h"
#include "controls/CKoosysComboBox.h"
#include "controls/CListCtrlEx.h"
#include "controls/CNumEdit.h"

CRechteckDlg::CRechteckDlg(QWidget* parent)
    : CModalDialog(parent),
      m_koosys(new CKoosysComboBox(this)),
      m_heightEdit(new CNumEdit(this)),
      m_widthEdit(new CNumEdit(this)),
      m_list(new CListCtrlEx(this)) {
    setObjectName(QStringLiteral("151"));
    setWindowTitle(tr("Rechteck"));
    m_koosys->setObjectName(QStringLiteral("1041"));
    m_heightEdit->setObjectName(QStringLiteral("1026"));
    m_widthEdit->setObjectName(QStringLiteral("1025"));
    m_list->setObjectName(QStringLiteral("1010"));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setMinimumSize(360, 150);
    for (CNumEdit* edit : {m_widthEdit, m_heightEdit}) edit->setAlignment(Qt::AlignRight);
    auto* deleteButton = new QPushButton(tr("Rechteck löschen"), this);
    deleteButton->setObjectName(QStringLiteral("1027"));
    deleteButton->setAutoDefault(false);
    auto* ok = new QPushButton(tr("Weiter >>"), this);
    ok->setObjectName(QStringLiteral("1"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(tr("Abbrechen"), this);
    cancel->setObjectName(QStringLiteral("2"));
    cancel->setAutoDefault(false);

    auto* fields = new QGridLayout;
    auto* widthLabel = new QLabel(tr("Breite  [m]"), this);
    auto* heightLabel = new QLabel(tr("Höhe  [m]"), this);
    auto* koosysLabel = new QLabel(tr("Koo. System"), this);
    widthLabel->setObjectName(QStringLiteral("widthLabel"));
    heightLabel->setObjectName(QStringLiteral("heightLabel"));
    koosysLabel->setObjectName(QStringLiteral("koosysLabel"));
    fields->addWidget(widthLabel, 0, 0);
    fields->addWidget(heightLabel, 0, 1);
    fields->addWidget(m_widthEdit, 1, 0);
    fields->addWidget(m_heightEdit, 1, 1);
    fields->addWidget(deleteButton, 1, 2);
    auto* koosysRow = new QHBoxLayout;
    koosysRow->addWidget(koosysLabel);
    koosysRow->addWidget(m_koosys, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cancel);
    buttons->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addLayout(fields);
    layout->addLayout(koosysRow);
    layout->addLayout(buttons);
    SetTabChain({m_list, m_widthEdit, m_heightEdit, deleteButton, m_koosys, cancel, ok});

    connect(deleteButton, &QPushButton::clicked, this, &CRechteckDlg::OnDeleteRectangle);
    connect(ok, &QPushButton::clicked, this, &CRechteckDlg::OnOK);
    connect(cancel, &QPushButton::clicked, this, &CRechteckDlg::reject);
}

bool CRechteckDlg::OnInitDialog() {
    if (!m_is3D || !m_width || !m_height || !m_cornerX || !m_cornerY) return false;
    // The list's columns are sized from its width, which it has before the dialog shows.
    m_list->resize(m_list->minimumSize());
    m_koosys->Fill(true);
    m_koosys->Select(ReadSetting(settings::kKoosysRect));
    m_list->SetImageList(chain::CrossMarkImages());
    m_widthEdit->SetValue(*m_width);
    m_heightEdit->SetValue(*m_height);
    LabelCorners();
    FillList();
    chain::PostWorkflowStep(3);
    return true;
}

int CRechteckDlg::WrapIndex(int i, int n) {
    if (n <= 0) return 0;
    while (i < 0) i += n;
    while (i >= n) i -= n;
    return i;
}

void CRechteckDlg::LabelCorners() {
    const int n = int(std::min(m_cornerX->size(), m_cornerY->size()));
    m_labels.clear();
    m_refX.assign(size_t(n), 0.0);
    m_refY.assign(size_t(n), 0.0);
    m_use.assign(size_t(n), 1);
    for (int k = 0; k < n; ++k) m_labels.append(QString());
    if (n != 4) return;
    const std::vector<double>& x = *m_cornerX;
    const std::vector<double>& y = *m_cornerY;
    int s = 0;
    for (int k = 1; k < 4; ++k)
        if (y[size_t(k)] > y[size_t(s)]) s = k;
    auto angle = [&](int k) {
        k = WrapIndex(k, 4);
        return std::atan2(x[size_t(k)] - x[size_t(s)], y[size_t(k)] - y[size_t(s)]);
    };
    double d = angle(s + 1) - angle(s + 2);
    if (d <= -M_PI) d += 2 * M_PI;
    if (d > M_PI) d -= 2 * M_PI;
    m_orientation = d > 0.0 ? 1 : 0;
    const int step = m_orientation ? 1 : -1;
    // The lowest corner is the left or the right end of the bottom edge, the flatter of its two
    // edges: the edge to the previous corner when it is "LU", to the next when it is "RU".
    // Whether a side edge leans left or right (perspective, a turned camera) does not count.
    // The slopes |dy| / |dx| are compared multiplied out, so a vertical edge needs no division.
    const size_t lowest = size_t(s);
    const size_t previous = size_t(WrapIndex(s - step, 4));
    const size_t next = size_t(WrapIndex(s + step, 4));
    const double previousSlope =
        std::fabs(y[previous] - y[lowest]) * std::fabs(x[next] - x[lowest]);
    const double nextSlope = std::fabs(y[next] - y[lowest]) * std::fabs(x[previous] - x[lowest]);
    if (nextSlope < previousSlope) s = int(next);
    m_start = s;
    const QString labels = LoadQString(10052);
    for (int k = 0; k < 4; ++k) m_labels[WrapIndex(s + step * k, 4)] = GetListToken(labels, k);
}

void CRechteckDlg::FillList() {
    m_list->DeleteAllColumns();
    const QString headings = LoadQString(10046);
    for (int c = 0; c < 3; ++c) m_list->InsertColumnPercent(GetListToken(headings, c), c, 32);
    m_list->DeleteAllItems();
    CTesseloDoc* doc = GetActiveDocument();
    if (!doc) return;
    const int n =
        std::min(int(m_labels.size()), int(std::min(m_cornerX->size(), m_cornerY->size())));
    for (int k = 0; k < n; ++k) {
        m_list->SetItemTextEx(m_labels.at(k), k, 0, false, 0);
        m_list->SetItemTextEx(
            chain::FormatNumber("-9.%if", doc->m_decimals, (*m_cornerX)[size_t(k)]), k, 1);
        m_list->SetItemTextEx(
            chain::FormatNumber("-9.%if", doc->m_decimals, (*m_cornerY)[size_t(k)]), k, 2);
    }
}

void CRechteckDlg::OnOK() {
    if (m_cornerX->size() != 4 || m_cornerY->size() != 4 || m_labels.size() != 4) {
        ui::MessageId(10047);
        return;
    }
    const double width = m_widthEdit->GetValue();
    const double height = m_heightEdit->GetValue();
    *m_width = width;
    *m_height = height;
    if (IsUndefined(width)) return chain::FailAt(m_widthEdit, LoadQString(10048));
    if (!(width > 0.0)) return chain::FailAt(m_widthEdit, LoadQString(10049));
    if (IsUndefined(height)) return chain::FailAt(m_heightEdit, LoadQString(10050));
    if (!(height > 0.0)) return chain::FailAt(m_heightEdit, LoadQString(10051));

    const double cornerX[4] = {0.0, 0.0, width, width};
    const double cornerY[4] = {0.0, height, height, 0.0};
    const int step = m_orientation ? 1 : -1;
    for (int k = 0; k < 4; ++k) {
        const size_t corner = size_t(WrapIndex(m_start + step * k, 4));
        m_refX[corner] = cornerX[k];
        m_refY[corner] = cornerY[k];
    }

    // The source keeps its own coordinate system: the target gets the chosen 2D one.
    CErgebnisseAusgleichDlg dialog(this);
    dialog.m_names = &m_labels;
    dialog.m_imageX = m_cornerX;
    dialog.m_imageY = m_cornerY;
    dialog.m_refX = &m_refX;
    dialog.m_refY = &m_refY;
    dialog.m_use = &m_use;
    dialog.m_activeValue = 1;
    dialog.m_distortion = nullptr;
    dialog.m_targetKoosys = m_koosys->GetSelected() >= 2 ? m_koosys->GetSelected() : 2;
    if (dialog.DoModal() != QDialog::Accepted) {
        chain::PostWorkflowStep(3);
        return;
    }
    accept();
}

void CRechteckDlg::OnCancel() { reject(); }

void CRechteckDlg::reject() {
    // The typed size stays in the document, valid or not.
    if (m_width && m_height) {
        *m_width = m_widthEdit->GetValue();
        *m_height = m_heightEdit->GetValue();
    }
    CModalDialog::reject();
}

void CRechteckDlg::OnDeleteRectangle() {
    m_labels.clear();
    m_refX.clear();
    m_refY.clear();
    m_use.clear();
    m_cornerX->clear();
    m_cornerY->clear();
    FillList();
    if (CTesseloDoc* doc = GetActiveDocument(); doc && doc->GetFirstView())
        doc->GetFirstView()->viewport()->update();
}
