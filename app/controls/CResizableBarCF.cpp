#include "CResizableBarCF.h"

#include <QApplication>
#include <QFontDatabase>
#include <QPainter>

#include "CBarTitle.h"

CResizableBarCF::CResizableBarCF()
    : m_captionFace(QFontDatabase::families().contains(QStringLiteral("Tahoma"))
                        ? QStringLiteral("Tahoma")
                        : QStringLiteral("Arial")) {
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget*, QWidget* now) { OnFocusChanged(now); });
}

void CResizableBarCF::OnFocusChanged(QWidget* now) {
    const bool active = now && isAncestorOf(now);
    if (active == m_active) return;
    m_active = active;
    Title().update();
}

bool CResizableBarCF::event(QEvent* event) {
    const bool result = CResizableBarG::event(event);
    if (event->type() == QEvent::WindowTitleChange) Title().update();
    return result;
}

CResizableBarCF::CaptionColours CResizableBarCF::Colours() const {
    const QPalette& pal = palette();
    if (m_active) {
        const QColor start = pal.color(QPalette::Active, QPalette::Highlight);
        return {start, start.lighter(170), pal.color(QPalette::Active, QPalette::HighlightedText)};
    }
    const QColor start = pal.color(QPalette::Active, QPalette::Dark);
    return {start, pal.color(QPalette::Active, QPalette::Midlight),
            pal.color(QPalette::Active, QPalette::Light)};
}

void CResizableBarCF::PaintGripper(QPainter& painter, const QRect& strip) const {
    if (!HasGripper()) return;
    const bool vertical = Title().Vertical();
    const QRect button = CloseButton().Rect();
    const QRect band = vertical ? QRect(strip.left(), button.bottom() + 4, 13,
                                        strip.bottom() - button.bottom() - 3)
                                : QRect(strip.left() + 1, strip.top(), button.left() - 4, 13);
    if (band.isEmpty()) return;

    // The band in 64 steps from the caption colour to its gradient colour, bottom to top along a
    // vertical band, left to right along a horizontal one.
    const CaptionColours colours = Colours();
    const int extent = vertical ? band.height() : band.width();
    for (int i = 0; i < 64; ++i) {
        const int from = extent * i / 64;
        const int to = extent * (i + 1) / 64;
        if (to == from) continue;
        const auto mix = [i](int a, int b) { return (a * (64 - i) + b * i) >> 6; };
        const QColor c(mix(colours.start.red(), colours.end.red()),
                       mix(colours.start.green(), colours.end.green()),
                       mix(colours.start.blue(), colours.end.blue()));
        const QRect piece =
            vertical ? QRect(band.left(), band.bottom() + 1 - to, band.width(), to - from)
                     : QRect(band.left() + from, band.top(), to - from, band.height());
        painter.fillRect(piece, c);
    }

    // The title in the caption face at 8.5 points as they measure at 96 dpi.
    QFont font(m_captionFace);
    font.setPointSizeF(8.5 * 96.0 / qMax(1, Title().logicalDpiY()));
    painter.save();
    painter.setClipRect(band);
    painter.setFont(font);
    painter.setPen(colours.text);
    if (vertical) {
        painter.translate(band.left() + 1, band.bottom() - 3);
        painter.rotate(-90);
        painter.drawText(QRect(0, 0, band.height(), band.width()), Qt::AlignLeft | Qt::AlignVCenter,
                         windowTitle());
    } else {
        painter.drawText(band.adjusted(3, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                         windowTitle());
    }
    painter.restore();
    CloseButton().Paint(painter, palette());
}
