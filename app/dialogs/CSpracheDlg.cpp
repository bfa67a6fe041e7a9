#include "CSpracheDlg.h"

#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPolygonF>
#include <QPushButton>

namespace {
constexpr int kFlagWidth = 32;
constexpr int kFlagHeight = 20;
}  // namespace

CSpracheDlg::CSpracheDlg(QWidget* parent) : CModalDialog(parent) {
    // Created left to right, so that the dialog starts on "Deutsch" and Tab goes on to "English".
    m_german = new QPushButton(this);
    m_english = new QPushButton(this);
    setObjectName(QStringLiteral("172"));
    setWindowTitle(QStringLiteral("Tesselo"));
    auto* layout = new QGridLayout(this);
    layout->setHorizontalSpacing(24);
    layout->setVerticalSpacing(12);
    layout->setContentsMargins(24, 18, 24, 18);
    // Both languages side by side: the user may not read the one the program starts in.
    layout->addWidget(new QLabel(QStringLiteral("Sprache auswählen"), this), 0, 0, Qt::AlignCenter);
    layout->addWidget(new QLabel(QStringLiteral("Select language"), this), 0, 1, Qt::AlignCenter);
    m_german->setObjectName(QStringLiteral("1045"));
    m_german->setText(QStringLiteral("Deutsch"));
    m_english->setObjectName(QStringLiteral("1046"));
    m_english->setText(QStringLiteral("English"));
    for (QPushButton* button : {m_german, m_english}) {
        button->setIconSize(QSize(kFlagWidth, kFlagHeight));
        button->setMinimumSize(120, 40);
        button->setAutoDefault(false);
    }
    m_english->setIcon(BritishFlag());
    m_german->setIcon(GermanFlag());
    layout->addWidget(m_german, 1, 0);
    layout->addWidget(m_english, 1, 1);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(m_german, &QPushButton::clicked, this, &CSpracheDlg::OnGerman);
    connect(m_english, &QPushButton::clicked, this, &CSpracheDlg::OnEnglish);
}

void CSpracheDlg::OnGerman() {
    m_result = 0;
    accept();
}

void CSpracheDlg::OnEnglish() {
    m_result = 1;
    accept();
}

QPixmap CSpracheDlg::GermanFlag() {
    QPixmap flag(kFlagWidth, kFlagHeight);
    QPainter p(&flag);
    const int stripe = kFlagHeight / 3;
    p.fillRect(0, 0, kFlagWidth, stripe, Qt::black);
    p.fillRect(0, stripe, kFlagWidth, stripe, QColor(221, 0, 0));
    p.fillRect(0, 2 * stripe, kFlagWidth, kFlagHeight - 2 * stripe, QColor(255, 206, 0));
    return flag;
}

QPixmap CSpracheDlg::BritishFlag() {
    QPixmap flag(kFlagWidth, kFlagHeight);
    QPainter p(&flag);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor blue(1, 33, 105), red(200, 16, 46);
    const double w = kFlagWidth, h = kFlagHeight;
    p.fillRect(flag.rect(), blue);
    p.setPen(QPen(Qt::white, 4));
    p.drawLine(QPointF(0, 0), QPointF(w, h));
    p.drawLine(QPointF(w, 0), QPointF(0, h));
    p.setPen(QPen(red, 1.5));
    p.drawLine(QPointF(0, 0), QPointF(w, h));
    p.drawLine(QPointF(w, 0), QPointF(0, h));
    p.fillRect(QRectF(w / 2 - 3.5, 0, 7, h), Qt::white);
    p.fillRect(QRectF(0, h / 2 - 3.5, w, 7), Qt::white);
    p.fillRect(QRectF(w / 2 - 2, 0, 4, h), red);
    p.fillRect(QRectF(0, h / 2 - 2, w, 4), red);
    return flag;
}
