#pragma once
// CTesseloView: the view of a document window. It shows the document's image through a
// display bitmap (the image, reduced by the reduction factor when a bitmap of full size cannot
// be made), zooms, centres, scrolls and pans it, scrolls automatically while a left-button drag
// leaves the window, and converts points between its coordinate spaces:
//   client   - pixels of the viewport, x to the right, y downwards;
//   scrolled - client plus the horizontal and vertical scroll positions;
//   display  - pixels of the display bitmap;
//   image    - pixels of the document image, x to the right, y downwards.
// Zoom is screen pixels per display pixel; the reduction factor is image pixels per display
// pixel, so zoom = reduction factor shows the image at 100 %.
// Commands posted to the view are routed from here: view, document, child frame, main frame,
// application. The measuring tools (left button, overlays, cursors) live in
// CTesseloViewTools.cpp.

#include <QAbstractScrollArea>
#include <QCursor>
#include <QImage>
#include <QPen>
#include <QPointF>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QTimer>
#include <vector>

#include "CCommandTarget.h"
#include "CTesseloDoc.h"

class QPainter;

class CTesseloView : public QAbstractScrollArea, public CCommandTarget {
    Q_OBJECT
public:
    // Drag states of the measuring tools.
    static constexpr int kDragIdle = 1;      // no image yet: nothing is picked
    static constexpr int kDragReady = 2;     // a left-button drag starts a pick
    static constexpr int kDragDragging = 4;  // a drag is running

    // Zoom limits of the zoom steps (tested before each step).
    static constexpr double kZoomMax = 15.0;
    static constexpr double kZoomMin = 0.08;

    // Scroll message codes (the Windows scroll-bar codes).
    enum ScrollCode {
        SB_LINEUP = 0,
        SB_LINEDOWN = 1,
        SB_PAGEUP = 2,
        SB_PAGEDOWN = 3,
        SB_THUMBPOSITION = 4,
        SB_THUMBTRACK = 5,
        SB_TOP = 6,
        SB_BOTTOM = 7,
        SB_ENDSCROLL = 8,
    };

    explicit CTesseloView(CTesseloDoc* document, QWidget* parent = nullptr);
    ~CTesseloView() override;

    CTesseloDoc* GetDocument() const { return m_document; }

    // Makes the back buffer and reads the image size from the document.
    void OnInitialUpdate();
    // Renders the document image into the display bitmap, reduced by powers of 1.6 when the
    // bitmap cannot be made at full size; with resetZoom the image is then shown at 100 %.
    // When no size can be made the display stays empty (white) and picking is refused. Its
    // parts are drawn as they are first needed (DrawDisplayPart), so that showing a part of a
    // large image does not wait for the rest, nor touch its memory.
    void BuildDisplayBitmap(bool resetZoom);
    // Arms the view for picking (drag state ready), unless there is nothing displayed.
    void ResetDragState();

    // Zoom steps: x 1.25 unless already at least kZoomMax, x 0.8 unless already at most kZoomMin.
    void ZoomInStep();
    void ZoomOutStep();
    // One zoom step in the direction of the wheel delta, then a repaint.
    void ZoomByWheel(int delta);
    // Called after every zoom change and when the view gains the focus; does nothing here.
    void OnZoomChanged() {}

    // Shows, hides and ranges the scroll bars for content of the given size (screen pixels).
    void UpdateScrollBars(int contentWidth, int contentHeight);
    // A scroll message: lines of 20, pages of 300 pixels, else the carried position.
    void OnScroll(Qt::Orientation orientation, int code, int position);
    // Redraw flag set and the whole window painted anew.
    void Repaint();
    // One tick of the auto-scroll timer: scrolls by the distance the mouse lies outside.
    void OnAutoScrollTimer();

    // Conversions between the coordinate spaces (see the top of this file).
    QPointF ClientToScrolled(QPointF p) const;
    QPointF ScrolledToClient(QPointF p) const;
    QPointF ScrolledToDisplay(QPointF p) const;
    QPointF DisplayToScrolled(QPointF p) const;
    QPointF DisplayToImage(QPointF p) const;
    QPointF ImageToDisplay(QPointF p) const;
    QPointF ImageToClient(QPointF p) const;
    QPointF ClientToImage(QPointF p) const;
    double ScaleByZoom(double length) const { return length * m_zoom; }

    double Zoom() const { return m_zoom; }
    void SetZoom(double zoom) { m_zoom = zoom; }
    double ReductionFactor() const { return m_reduction; }
    // The whole display bitmap, drawn.
    const QImage& DisplayBitmap();
    QSize DisplaySize() const { return m_displaySize; }
    bool HasDisplay() const { return !m_display.isNull(); }
    QSize ImageSize() const { return m_imageSize; }
    void SetImageSize(QSize size) { m_imageSize = size; }
    QSize ScaledSize() const { return m_scaledSize; }
    QPoint CentringOffset() const { return m_centring; }
    bool RedrawPending() const { return m_redraw; }
    bool AutoScrolling() const { return m_autoScroll; }

    // Largest display bitmap in pixels that can be made (a stand-in for the device's limit);
    // tests lower it to exercise the reduction.
    static qint64 DisplayPixelBudget();
    static void SetDisplayPixelBudget(qint64 pixels);

    // State of the measuring tools.
    int m_tool = 1;  // target documents: 1 crop region, 2 distance, 3 points, 4 points/area
    int m_dragState = kDragIdle;
    QPoint m_dragStart;  // left-button press, scrolled coordinates
    QRect m_rubberBand;  // current drag rectangle, client coordinates
    QPen m_dashPen{QColor(255, 0, 0), 1, Qt::DashLine};
    QPen m_dotPen{QColor(255, 0, 255), 1, Qt::DotLine};

    // Measuring tools (CTesseloViewTools.cpp).
    // Runs the pick dialog for a dragged rectangle in scrolled coordinates (its width and
    // height are the distances between the corners): 1 when the dialog ran, 0 after message
    // 10073 for an empty rectangle or an empty region of the display bitmap.
    int PickPointInRegion(const QRect& scrolled);

private:
    void InitToolCommands();
    void BeginToolDrag(const QPoint& client);
    void ToolMouseMove(const QPoint& client, Qt::MouseButtons buttons);
    void EndToolDrag(const QPoint& client);
    const QCursor& ModeCursor() const;
    void DrawSourceOverlays(QPainter& painter);
    void DrawTargetOverlays(QPainter& painter);
    QCursor m_pointsCursor, m_cornersCursor, m_cropCursor, m_measureCursor;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    // Measuring tools (CTesseloViewTools.cpp): the left button, the tools' part of a mouse
    // move, the cursor of the current mode and tool, and the overlays over the image.
    void OnLButtonDown(const QPoint& client);
    void OnLButtonUp(const QPoint& client);
    void OnMouseMove(const QPoint& client, Qt::MouseButtons buttons);
    void SetModeCursor();
    void DrawMeasurements(QPainter& painter);

    // Renders the visible part of the display bitmap into the back buffer.
    void RenderBackBuffer();
    // Draws the image into the tiles of the display bitmap that the rectangle (display pixels)
    // touches and that were not drawn since the last build.
    void DrawDisplayPart(const QRect& part);
    void StopAutoScroll();
    void SetScrollPosition(Qt::Orientation orientation, int position);

    QPointer<CTesseloDoc> m_document;
    QImage m_display;               // the image at the reduction factor
    QSize m_displaySize;            // 0 x 0 when nothing is displayed
    std::vector<bool> m_tileDrawn;  // per tile of the display bitmap, row after row
    int m_tileColumns = 0;
    double m_reduction = 1.0;
    QSize m_imageSize;
    double m_zoom = 1.0;
    bool m_redraw = true;
    QImage m_backBuffer;  // the rendered image area of the window
    QSize m_scaledSize;
    QPoint m_centring;
    bool m_autoScroll = false;
    QTimer m_autoScrollTimer;
    QPoint m_lastMouse;  // last mouse position, client coordinates (auto-scroll ticks)
    QPoint m_panStart;   // middle-button press, scrolled coordinates
    bool m_settingScrollBars = false;
};
