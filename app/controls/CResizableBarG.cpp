#include "CResizableBarG.h"

#include <QGuiApplication>
#include <QPainter>
#include <QTimer>

#include "CBarTitle.h"

CResizableBarG::CResizableBarG() : m_title(new CBarTitle(*this)) { setTitleBarWidget(m_title); }

void CResizableBarG::PaintGripper(QPainter& painter, const QRect& strip) const {
    if (!HasGripper()) return;
    const QColor light = palette().color(QPalette::Light);
    const QColor shadow = palette().color(QPalette::Dark);
    const QRect button = m_closeButton.Rect();
    // Two raised 3-pixel lines side by side, across from the close button.
    QRect line =
        m_title->Vertical()
            ? QRect(strip.left() + 4, button.bottom() + 4, 3, strip.bottom() - button.bottom() - 4)
            : QRect(strip.left() + 1, strip.top() + 4, button.left() - 3 - strip.left(), 3);
    for (int i = 0; i < 2; ++i) {
        painter.setPen(light);
        painter.drawLine(line.topLeft(), line.topRight());
        painter.drawLine(line.topLeft(), line.bottomLeft());
        painter.setPen(shadow);
        painter.drawLine(line.bottomLeft(), line.bottomRight());
        painter.drawLine(line.topRight(), line.bottomRight());
        line.translate(m_title->Vertical() ? 3 : 0, m_title->Vertical() ? 0 : 3);
    }
    m_closeButton.Paint(painter, palette());
}

void CResizableBarG::OnCloseButton() { hide(); }

void CResizableBarG::OnPlacementChanged() {
    CResizableBar::OnPlacementChanged();
    const bool horizontal = CurrentPlacement() == Placement::Horizontal;
    setFeatures(horizontal ? features() | DockWidgetVerticalTitleBar
                           : features() & ~DockWidgetVerticalTitleBar);
    m_title->SetVertical(horizontal);
    UpdateTitleBar();
}

void CResizableBarG::UpdateTitleBar() {
    // The title strip is not swapped while the user still drags the bar.
    if (QGuiApplication::mouseButtons() != Qt::NoButton) {
        QTimer::singleShot(50, this, [this] { UpdateTitleBar(); });
        return;
    }
    QWidget* wanted = HasGripper() ? m_title : nullptr;
    if (titleBarWidget() != wanted) setTitleBarWidget(wanted);
}
