#include "WindowTitleRoom.h"

#include <QApplication>
#include <QBoxLayout>
#include <QFontMetrics>
#include <QGridLayout>
#include <QSpacerItem>
#include <QStyle>
#include <QWidget>

int TitleBarWidth(const QWidget& window) {
    // Window managers commonly draw the title bold.
    QFont font = QApplication::font("QMdiSubWindowTitleBar");
    font.setBold(true);
    const int title = QFontMetrics(font).horizontalAdvance(window.windowTitle());
    // Title-bar buttons are about as wide as the bar is high: three of them on one side, as
    // much on the other so that a centred title clears them too, and a gap.
    const int button = window.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &window);
    return title + 7 * button;
}

void MakeRoomForTitle(QWidget& window) {
    QLayout* layout = window.layout();
    if (!layout) return;
    const QMargins margins = layout->contentsMargins();
    const int width = TitleBarWidth(window) - margins.left() - margins.right();
    if (auto* box = qobject_cast<QBoxLayout*>(layout)) {
        // A strut takes no spacing of its own.
        if (box->direction() == QBoxLayout::TopToBottom ||
            box->direction() == QBoxLayout::BottomToTop)
            box->addStrut(width);
    } else if (auto* grid = qobject_cast<QGridLayout*>(layout)) {
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Fixed, QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
}
