#include "ChainSupport.h"

#include <QLineEdit>
#include <QPainter>
#include <QPixmap>

#include "CMainFrame.h"
#include "CNumberText.h"
#include "CPostedEvents.h"
#include "CTesseloApp.h"
#include "CommandIds.h"
#include "UserInterface.h"
#include "Utilities.h"

namespace chain {
namespace {

// A 16 x 16 point mark: a small ring with a centre dot, optionally crossed out in red.
QIcon PointMark(bool crossedOut) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0, 0, 160), 1.5));
    painter.drawEllipse(QRectF(3.5, 3.5, 9, 9));
    painter.setBrush(QColor(0, 0, 160));
    painter.drawEllipse(QRectF(7, 7, 2, 2));
    if (crossedOut) {
        painter.setPen(QPen(QColor(200, 0, 0), 2));
        painter.drawLine(QPointF(2, 2), QPointF(14, 14));
        painter.drawLine(QPointF(14, 2), QPointF(2, 14));
    }
    return QIcon(pixmap);
}

QIcon CrossMark() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(QPen(QColor(0, 0, 160), 2));
    painter.drawLine(QPointF(8, 2), QPointF(8, 14));
    painter.drawLine(QPointF(2, 8), QPointF(14, 8));
    return QIcon(pixmap);
}

}  // namespace

void PostWorkflowStep(int step) {
    if (CTesseloApp* app = CTesseloApp::Instance(); app && app->MainFrame())
        PostMessageTo(app->MainFrame(), msg::WM_APP_WORKFLOW_STEP, step, 0);
}

const std::vector<QIcon>& PointMarkImages() {
    static const std::vector<QIcon> images{PointMark(true), PointMark(false)};
    return images;
}

const std::vector<QIcon>& CrossMarkImages() {
    static const std::vector<QIcon> images{CrossMark()};
    return images;
}

QString FormatNumber(const char* pattern, int decimals, double value) {
    const std::string format = BuildNumberFormat(pattern, decimals);
    return QString::fromStdString(CNumberText::Format(format.c_str(), value));
}

void FailAt(QLineEdit* field, const QString& message) {
    ui::Message(message.toStdString());
    field->setFocus(Qt::OtherFocusReason);
    field->selectAll();
}

}  // namespace chain
