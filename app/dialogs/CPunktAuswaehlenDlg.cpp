#include "CPunktAuswaehlenDlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "CPostedEvents.h"
#include "CTesseloApp.h"
#include "CTesseloDoc.h"
#include "CTesseloView.h"
#include "CommandIds.h"
#include "QtStringLookup.h"
#include "Utilities.h"
#include "controls/CZoomPickerCtrl.h"

namespace {

// The magnifier's size in pixels.
constexpr int kPickerSize = 400;

}  // namespace

CPunktAuswaehlenDlg::CPunktAuswaehlenDlg(QWidget* parent)
    : CModalDialog(parent),
      m_picker(new CZoomPickerCtrl(this)),
      m_xText(new QLabel(this)),
      m_yText(new QLabel(this)),
      m_ratioText(new QLabel(this)) {
    setObjectName(QStringLiteral("131"));
    setWindowTitle(QStringLiteral("Dialog"));
    m_picker->setFixedSize(kPickerSize, kPickerSize);
    m_xText->setObjectName(QStringLiteral("1002"));
    m_yText->setObjectName(QStringLiteral("1003"));
    m_ratioText->setObjectName(QStringLiteral("1004"));
    for (QLabel* label : {m_xText, m_yText, m_ratioText}) {
        label->setMinimumWidth(110);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        label->setFrameShape(QFrame::StyledPanel);
    }
    auto* newRegion = new QPushButton(tr("Neuen Bereich wählen"), this);
    newRegion->setObjectName(QStringLiteral("1"));
    newRegion->setAutoDefault(false);
    auto* cancel = new QPushButton(tr("Abbrechen"), this);
    cancel->setObjectName(QStringLiteral("2"));
    cancel->setAutoDefault(false);

    auto* texts = new QGridLayout;
    texts->addWidget(new QLabel(QStringLiteral("x:"), this), 0, 0);
    texts->addWidget(m_xText, 0, 1);
    texts->addWidget(new QLabel(QStringLiteral("y:"), this), 1, 0);
    texts->addWidget(m_yText, 1, 1);
    texts->addWidget(m_ratioText, 2, 1);
    auto* side = new QVBoxLayout;
    side->addLayout(texts);
    side->addStretch(1);
    side->addWidget(newRegion);
    side->addWidget(cancel);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_picker);
    layout->addLayout(side);

    connect(newRegion, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

bool CPunktAuswaehlenDlg::OnInitDialog() {
    CTesseloDoc* doc = GetActiveDocument();
    if (!doc) return false;
    setWindowTitle(GetListToken(LoadQString(10021), doc->m_measureMode == 1 ? 0 : 1));
    m_picker->SetTextStatics(m_xText, m_yText, m_ratioText);
    return true;
}

bool CPunktAuswaehlenDlg::event(QEvent* event) {
    if (event->type() == CPostedMessageEvent::TypeId()) {
        const auto* posted = static_cast<CPostedMessageEvent*>(event);
        if (posted->Message() == msg::WM_APP_POINT_PICKED) {
            OnPointPicked();
            return true;
        }
    }
    return CModalDialog::event(event);
}

int CPunktAuswaehlenDlg::OnPointPicked() {
    // The name dialog of a pick runs its own event loop, in which further posted picks arrive.
    if (m_handlingPick || m_closed) return 0;
    CTesseloDoc* doc = GetActiveDocument();
    if (!doc) return 0;
    const double x = m_picker->GetPickedX();
    const double y = m_picker->GetPickedY();
    m_handlingPick = true;
    int taken = 0;
    if (doc->m_isSource) {
        taken =
            doc->m_measureMode == 1 ? doc->AddControlPoint(x, y) : doc->AddRectangleCorner(x, y);
    } else if (const CTesseloView* view = doc->GetFirstView()) {
        if (view->m_tool == 2)
            taken = doc->SetDistancePoint(x, y);
        else if (view->m_tool == 3 || view->m_tool == 4)
            taken = doc->AddMeasurePoint(x, y);
    }
    m_handlingPick = false;
    if (taken) {
        m_closed = true;
        done(QDialog::Rejected);
    }
    return 0;
}
