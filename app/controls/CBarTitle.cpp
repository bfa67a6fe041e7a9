#include "CBarTitle.h"

#include <QMouseEvent>
#include <QPainter>

#include "CResizableBarG.h"

CBarTitle::CBarTitle(CResizableBarG& bar) : QWidget(&bar), m_bar(bar) {
    setObjectName(QStringLiteral("barTitle"));
    setMouseTracking(true);
}

void CBarTitle::SetVertical(bool vertical) {
    if (m_vertical == vertical) return;
    m_vertical = vertical;
    PlaceButton();
    updateGeometry();
    update();
}

QSize CBarTitle::sizeHint() const {
    return m_vertical ? QSize(kThickness, 3 * kThickness) : QSize(3 * kThickness, kThickness);
}

QSize CBarTitle::minimumSizeHint() const {
    // Room for the close button, so that the strip leaves the bar its own minimum.
    const int length = CBarCloseButton::kSize + 3;
    return m_vertical ? QSize(kThickness, length) : QSize(length, kThickness);
}

void CBarTitle::PlaceButton() {
    // Along the top: at the right end; down the left side: at the top end.
    m_bar.CloseButton().position =
        m_vertical ? QPoint(1, 1) : QPoint(width() - CBarCloseButton::kSize - 2, 1);
}

void CBarTitle::SetButtonState(bool pushed, bool raised) {
    CBarCloseButton& button = m_bar.CloseButton();
    if (button.pushed == pushed && button.raised == raised) return;
    button.pushed = pushed;
    button.raised = raised;
    update();
}

void CBarTitle::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    m_bar.PaintGripper(painter, rect());
}

void CBarTitle::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    PlaceButton();
}

void CBarTitle::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton &&
        m_bar.CloseButton().Rect().contains(event->position().toPoint())) {
        m_pressed = true;
        SetButtonState(true, false);
        event->accept();
        return;
    }
    event->ignore();
}

void CBarTitle::mouseMoveEvent(QMouseEvent* event) {
    const bool hit = m_bar.CloseButton().Rect().contains(event->position().toPoint());
    if (m_pressed) {
        SetButtonState(hit, false);
        event->accept();
        return;
    }
    SetButtonState(false, hit && event->buttons() == Qt::NoButton);
    event->ignore();
}

void CBarTitle::mouseReleaseEvent(QMouseEvent* event) {
    const bool hit = m_bar.CloseButton().Rect().contains(event->position().toPoint());
    if (m_pressed && event->button() == Qt::LeftButton) {
        m_pressed = false;
        SetButtonState(false, hit);
        event->accept();
        if (hit) m_bar.OnCloseButton();
        return;
    }
    event->ignore();
}

void CBarTitle::mouseDoubleClickEvent(QMouseEvent* event) {
    // A double click on the button is two clicks on it, never a docking toggle.
    if (m_bar.CloseButton().Rect().contains(event->position().toPoint())) {
        mousePressEvent(event);
        return;
    }
    event->ignore();
}

void CBarTitle::leaveEvent(QEvent* event) {
    SetButtonState(m_bar.CloseButton().pushed, false);
    QWidget::leaveEvent(event);
}
