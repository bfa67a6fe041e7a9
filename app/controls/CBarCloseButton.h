#pragma once
// The close button of a bar's gripper: an 11 x 11 pixel box at a position in the title strip's
// coordinates, drawn flat, raised while the mouse is over it or sunken while it is held down.

#include <QPoint>
#include <QRect>

class QPainter;
class QPalette;

class CBarCloseButton {
public:
    static constexpr int kSize = 11;

    QRect Rect() const { return QRect(position, QSize(kSize, kSize)); }
    void Paint(QPainter& painter, const QPalette& palette) const;

    bool pushed = false;
    bool raised = false;
    QPoint position{0, 0};
};
