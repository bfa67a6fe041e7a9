#include "CStreckeDlg.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

#include "CNumberText.h"
#include "CTesseloDoc.h"
#include "QtStringLookup.h"
#include "Utilities.h"

CStreckeDlg::CStreckeDlg(QWidget* parent) : CModalDialog(parent), m_edit(new QPlainTextEdit(this)) {
    setObjectName(QStringLiteral("159"));
    setWindowTitle(tr("Strecke"));
    m_edit->setObjectName(QStringLiteral("1053"));
    m_edit->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_edit->setTabChangesFocus(true);
    m_edit->setMinimumSize(300, 90);
    auto* close = new QPushButton(tr("Schließen"), this);
    close->setObjectName(QStringLiteral("2"));
    close->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_edit);
    layout->addLayout(buttons);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
}

QString CStreckeDlg::DistanceText(const CTesseloDoc& doc) {
    if (doc.m_distanceState != 2) return QString();
    double a1, b1, a2, b2;
    if (!doc.PixelToTarget(doc.m_distX1, doc.m_distY1, a1, b1) ||
        !doc.PixelToTarget(doc.m_distX2, doc.m_distY2, a2, b2))
        return QString();
    const double dx = a2 - a1, dy = b2 - b1;
    const double d = std::sqrt(dx * dx + dy * dy);
    const std::string g = BuildNumberFormat("5.%if", doc.m_decimals);
    // Each "%s" of the text stands for one number.
    const auto number = [&g](double value) {
        return QString::fromStdString(CNumberText::Format(g.c_str(), value));
    };
    return FillPlaceholders(LoadQString(10042), {number(d), number(dx), number(dy)});
}

bool CStreckeDlg::OnInitDialog() {
    if (!m_doc) return false;
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSizeF(8.5);
    m_edit->setFont(font);
    Compute();
    return true;
}

void CStreckeDlg::Compute() {
    m_text = DistanceText(*m_doc);
    m_edit->setPlainText(m_text);
}
