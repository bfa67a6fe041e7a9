#include "CInfoDlg.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace {

constexpr int kSize = 96;

// The axis names speak the interface language, as the coordinate systems' names do.
QString AxisName(const char* name) { return QCoreApplication::translate("CInfoDlg", name); }

void Arrow(QPainter& p, QPointF from, QPointF to, const QString& label, QPointF labelAt) {
    p.drawLine(from, to);
    const QPointF d = (to - from) / std::hypot(to.x() - from.x(), to.y() - from.y());
    const QPointF n(-d.y(), d.x());
    p.drawLine(to, to - 7 * d + 4 * n);
    p.drawLine(to, to - 7 * d - 4 * n);
    // A longer name moves left so that it stays inside the picture.
    const qreal right = kSize - 2 - p.fontMetrics().horizontalAdvance(label);
    p.drawText(QPointF(std::min(labelAt.x(), right), labelAt.y()), label);
}

// The axes of one system; kind 0 the screen, 1 the 2D, 2 the 3D reference system.
QPixmap Axes(int kind) {
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::white);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1.5));
    if (kind == 0) {
        const QPointF o(16, 16);
        Arrow(p, o, {84, 16}, QStringLiteral("X1"), {66, 32});
        Arrow(p, o, {16, 84}, QStringLiteral("Y1"), {24, 84});
    } else if (kind == 1) {
        const QPointF o(16, 80);
        Arrow(p, o, {84, 80}, AxisName(QT_TRANSLATE_NOOP("CInfoDlg", "Rechts")), {42, 74});
        Arrow(p, o, {16, 12}, AxisName(QT_TRANSLATE_NOOP("CInfoDlg", "Hoch")), {22, 22});
    } else {
        const QPointF o(24, 76);
        Arrow(p, o, {88, 76}, AxisName(QT_TRANSLATE_NOOP("CInfoDlg", "Ost")), {66, 92});
        Arrow(p, o, {60, 44}, AxisName(QT_TRANSLATE_NOOP("CInfoDlg", "Nord")), {62, 42});
        Arrow(p, o, {24, 10}, AxisName(QT_TRANSLATE_NOOP("CInfoDlg", "H")), {30, 18});
    }
    return pixmap;
}

QLabel* Picture(int kind, const char* id, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(id));
    label->setPixmap(Axes(kind));
    return label;
}

}  // namespace

CInfoDlg::CInfoDlg(QWidget* parent) : CModalDialog(parent) {
    setObjectName(QStringLiteral("143"));
    setWindowTitle(tr("Info"));

    auto* mouse = new QGroupBox(tr("Maus"), this);
    auto* mouseText = new QLabel(
        tr("Doppelclick: Eine Koordinate bearbeiten\nRechte Maustaste:  Punkte ein/aus"), mouse);
    mouseText->setObjectName(QStringLiteral("mouseText"));
    (new QVBoxLayout(mouse))->addWidget(mouseText);

    auto* systems = new QGroupBox(tr("Koordinatensysteme"), this);
    auto* grid = new QGridLayout(systems);
    auto* screen = new QLabel(tr("Bildschirm"), systems);
    auto* reference = new QLabel(tr("Referenzsystem"), systems);
    auto* label2D = new QLabel(tr("2D"), systems);
    auto* label3D = new QLabel(tr("3D"), systems);
    screen->setObjectName(QStringLiteral("screenLabel"));
    reference->setObjectName(QStringLiteral("referenceLabel"));
    label2D->setObjectName(QStringLiteral("label2D"));
    label3D->setObjectName(QStringLiteral("label3D"));
    grid->addWidget(screen, 0, 0);
    grid->addWidget(reference, 0, 1, 1, 2, Qt::AlignHCenter);
    grid->addWidget(label2D, 1, 1, Qt::AlignHCenter);
    grid->addWidget(label3D, 1, 2, Qt::AlignHCenter);
    grid->addWidget(Picture(0, "144", systems), 2, 0);
    grid->addWidget(Picture(1, "145", systems), 2, 1);
    grid->addWidget(Picture(2, "146", systems), 2, 2);

    auto* ok = new QPushButton(tr("OK"), this);
    ok->setObjectName(QStringLiteral("1"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(mouse);
    layout->addWidget(systems);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}
