#include "WindowTitleRoom.h"

#include <QApplication>
#include <QFontMetrics>
#include <QStyle>
#include <QWidget>

int TitleBarWidth(const QWidget& window) {
    // Window managers commonly draw the title bold.
    QFont font = QApplication::font("QMdiSubWindowTitleBar");
    font.setBold(true);
    const int title = QFontMetrics(font).horizontalAdvance(window.windowTitle());
    // Title-bar buttons are about as wide as the bar is high: three of them and a gap on the
    // one side, as much on the other so that a centred title clears them too.
    const int button = window.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &window);
    return title + 2 * 4 * button;
}
