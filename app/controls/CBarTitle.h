#pragma once
// The title strip of a docked resizable bar: it leaves the painting of the gripper to the bar and
// runs the close button. Mouse events outside the button pass on to the dock widget, which drags
// the bar or toggles it between docked and floating on a double click.

#include <QWidget>

class CResizableBarG;

class CBarTitle : public QWidget {
public:
    // Thickness of the strip across the bar, in pixels.
    static constexpr int kThickness = 14;

    explicit CBarTitle(CResizableBarG& bar);

    // The strip runs down the bar's left side (a horizontal bar) instead of along its top.
    void SetVertical(bool vertical);
    bool Vertical() const { return m_vertical; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void PlaceButton();
    void SetButtonState(bool pushed, bool raised);

    CResizableBarG& m_bar;
    bool m_vertical = false;
    bool m_pressed = false;  // the left button went down on the close button
};
