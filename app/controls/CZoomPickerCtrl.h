#pragma once
// CZoomPickerCtrl: the magnifier of the point-picking dialog. It shows a region of the view's
// display bitmap stretched over the whole control, widened or heightened about its centre so
// that the pixels stay square, and picks the image position under a click:
//   picked = (region left + mouse / scale - 0.5) * reduction factor   (per axis)
// in image pixels, x to the right, y downwards, whole values at pixel centres. The control then
// posts WM_APP_POINT_PICKED (0, 0) to its parent, which reads GetPickedX/GetPickedY.
// Region and display bitmap are in display-bitmap pixels; scale is control pixels per display
// pixel. Clicks on the white margin beside the bitmap pick nothing.

#include <QImage>
#include <QRect>
#include <QWidget>
#include <functional>

class QLabel;

class CZoomPickerCtrl : public QWidget {
    Q_OBJECT
public:
    explicit CZoomPickerCtrl(QWidget* parent = nullptr);

    // The display bitmap (not owned; it must outlive the control), the region (left, top,
    // right, bottom, whole display pixels), the reduction factor (image pixels per display
    // pixel) and the bitmap size. 0 after message 10073 when the region has no width or
    // height, else 1.
    int SetSource(const QImage* bitmap, int left, int top, int right, int bottom, double factor,
                  int width, int height);
    // Called before each paint with the part of the display bitmap the paint reads, so that
    // a bitmap drawn as it is needed can draw that part first; none by default.
    void SetPrepare(std::function<void(const QRect&)> prepare) { m_prepare = std::move(prepare); }
    // Statics that show the position under the mouse and the magnification; null for none.
    void SetTextStatics(QLabel* xText, QLabel* yText, QLabel* ratioText);

    // Fits the region to the control's shape and sets the scales; runs once, at the first paint
    // (or the first mouse event, should one come before it).
    void InitialiseScale();

    double GetPickedX() const { return m_pickedX; }
    double GetPickedY() const { return m_pickedY; }
    double GetScaleX() const { return m_scaleX; }
    double GetScaleY() const { return m_scaleY; }
    QRect GetRegion() const { return QRect(QPoint(m_left, m_top), QPoint(m_right, m_bottom)); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void ClearTexts();

    double m_pickedX = 0.0, m_pickedY = 0.0;
    QLabel* m_xText = nullptr;
    QLabel* m_yText = nullptr;
    QLabel* m_ratioText = nullptr;
    bool m_initialised = false;
    int m_left = 0, m_top = 0, m_right = 0, m_bottom = 0;
    const QImage* m_bitmap = nullptr;
    std::function<void(const QRect&)> m_prepare;
    int m_bitmapWidth = 0, m_bitmapHeight = 0;
    double m_scaleX = 1.0, m_scaleY = 1.0;
    double m_factor = 1.0;
};
