#include "CTesseloView.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "CMainFrame.h"
#include "CPostedEvents.h"
#include "CQtDrawContext.h"
#include "CTesseloApp.h"
#include "CTesseloDoc.h"
#include "CommandIds.h"
#include "PixelMemory.h"
#include "QtStringLookup.h"
#include "UserInterface.h"
#include "controls/CMeasureCursors.h"

namespace {

// About 256 MB of 32-bit pixels; the painter's coordinates also end at 32767 per side.
qint64 g_displayPixelBudget = qint64{1} << 26;
constexpr int kMaxDisplaySide = 32767;

constexpr int kLineStep = 20;
constexpr int kPageStep = 300;
constexpr int kAutoScrollPeriodMs = 200;
constexpr double kAutoScrollSpeed = 1.0;

constexpr double kReductionStep = 1.6;
constexpr int kReductionTries = 10;

// The display bitmap is drawn in tiles of this many pixels a side as they are first needed.
constexpr int kDisplayTile = 128;

// A 32-bit display bitmap in pixel memory, which it releases; null when there is no memory.
QImage NewDisplayBitmap(int width, int height) {
    const qsizetype stride = qsizetype(width) * 4;
    void* bits = pixelmemory::Allocate(size_t(stride) * size_t(height));
    if (!bits) return QImage();
    return QImage(
        static_cast<uchar*>(bits), width, height, stride, QImage::Format_RGB32,
        [](void* block) { std::free(block); }, bits);
}

}  // namespace

qint64 CTesseloView::DisplayPixelBudget() { return g_displayPixelBudget; }

void CTesseloView::SetDisplayPixelBudget(qint64 pixels) { g_displayPixelBudget = pixels; }

CTesseloView::CTesseloView(CTesseloDoc* document, QWidget* parent)
    : QAbstractScrollArea(parent), m_document(document) {
    setObjectName(QStringLiteral("view"));
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    horizontalScrollBar()->setRange(0, 0);
    verticalScrollBar()->setRange(0, 0);
    for (QScrollBar* bar : {horizontalScrollBar(), verticalScrollBar()}) {
        bar->setSingleStep(kLineStep);
        bar->setPageStep(kPageStep);
    }
    // The back buffer covers the whole window: no background erase before a paint.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);
    viewport()->setMouseTracking(true);

    m_autoScrollTimer.setInterval(kAutoScrollPeriodMs);
    connect(&m_autoScrollTimer, &QTimer::timeout, this, &CTesseloView::OnAutoScrollTimer);

    OnCommand(cmd::ID_ZOOM_IN, [this] {
        ZoomInStep();
        Repaint();
    });
    OnUpdateCommand(cmd::ID_ZOOM_IN, [this](CCmdUI& ui) { ui.Enable(m_zoom < kZoomMax); });
    OnCommand(cmd::ID_ZOOM_OUT, [this] {
        ZoomOutStep();
        Repaint();
    });
    OnUpdateCommand(cmd::ID_ZOOM_OUT, [this](CCmdUI& ui) { ui.Enable(m_zoom > kZoomMin); });
    OnCommand(cmd::ID_ZOOM_100, [this] {
        m_zoom = m_reduction;
        Repaint();
        OnZoomChanged();
    });
    OnUpdateCommand(cmd::ID_ZOOM_100,
                    [this](CCmdUI& ui) { ui.Enable(std::abs(m_zoom / m_reduction - 1.0) > 1e-6); });

    InitToolCommands();
    OnInitialUpdate();
}

CTesseloView::~CTesseloView() = default;

void CTesseloView::OnInitialUpdate() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize screenSize = screen ? screen->size() : QSize(1024, 768);
    m_backBuffer = QImage(screenSize, QImage::Format_RGB32);
    m_backBuffer.fill(Qt::white);
    SetModeCursor();
    if (m_document) m_imageSize = m_document->GetImageSize();
}

void CTesseloView::BuildDisplayBitmap(bool resetZoom) {
    if (!m_document) return;
    const CRaster& image = m_document->m_image;
    // A bitmap of the size wanted is drawn into again rather than made anew.
    QImage previous = std::exchange(m_display, QImage());
    m_displaySize = QSize();
    m_reduction = 1.0;

    if (image.IsValid()) {
        double factor = 1.0;
        int width = 0;
        int height = 0;
        for (int tries = 0; tries < kReductionTries; ++tries) {
            width = static_cast<int>(image.GetWidth() / factor);
            height = static_cast<int>(image.GetHeight() / factor);
            if (width > 0 && height > 0 && width <= kMaxDisplaySide && height <= kMaxDisplaySide &&
                qint64{width} * height <= g_displayPixelBudget) {
                if (previous.size() == QSize(width, height)) {
                    m_display = std::exchange(previous, QImage());
                } else {
                    previous = QImage();
                    m_display = NewDisplayBitmap(width, height);
                }
                if (!m_display.isNull()) break;
            }
            factor *= kReductionStep;
        }
        if (m_display.isNull()) {
            // Nothing is shown and nothing can be picked, rather than a stale size and factor.
            m_dragState = kDragIdle;
            m_redraw = true;
            viewport()->update();
            ui::Message(QString::asprintf(LoadQString(10074).toUtf8().constData(), width, height)
                            .toStdString());
            return;
        }
        m_reduction = factor;
        m_displaySize = m_display.size();
        m_tileColumns = (width + kDisplayTile - 1) / kDisplayTile;
        m_tileDrawn.assign(
            size_t(m_tileColumns) * size_t((height + kDisplayTile - 1) / kDisplayTile), false);
    }

    m_redraw = true;
    if (resetZoom) m_zoom = m_reduction;
    viewport()->update();

    if (m_reduction != 1.0) {
        const QString text = QString::asprintf(LoadQString(10121).toUtf8().constData(),
                                               int(image.GetWidth()), int(image.GetHeight()),
                                               m_displaySize.width(), m_displaySize.height());
        ui::Message(text.toStdString(), ui::Buttons::Ok, ui::Icon::Information);
    }
}

void CTesseloView::DrawDisplayPart(const QRect& part) {
    if (!m_document || m_display.isNull() || m_tileColumns == 0) return;
    const CRaster& image = m_document->m_image;
    const QRect wanted = part & m_display.rect();
    if (!image.IsValid() || wanted.isEmpty()) return;
    const int lastColumn = wanted.right() / kDisplayTile;
    for (int row = wanted.top() / kDisplayTile; row <= wanted.bottom() / kDisplayTile; ++row) {
        const size_t first = size_t(row) * size_t(m_tileColumns);
        for (int column = wanted.left() / kDisplayTile; column <= lastColumn; ++column) {
            if (m_tileDrawn[first + size_t(column)]) continue;
            // The run of tiles in this row not drawn yet, in one go.
            int end = column;
            while (end <= lastColumn && !m_tileDrawn[first + size_t(end)])
                m_tileDrawn[first + size_t(end++)] = true;
            const QRect tiles = QRect(column * kDisplayTile, row * kDisplayTile,
                                      (end - column) * kDisplayTile, kDisplayTile) &
                                m_display.rect();
            QPainter painter(&m_display);
            painter.setClipRect(tiles);
            // An opaque image covers the tiles; others are blended over white.
            if (!image.IsOpaque()) painter.fillRect(tiles, Qt::white);
            CQtDrawContext dc(painter);
            if (m_reduction != 1.0)
                image.Draw(&dc, 0, 0, m_displaySize.width(), m_displaySize.height());
            else
                image.Draw(&dc, 0, 0, -1, -1);
            column = end - 1;
        }
    }
}

const QImage& CTesseloView::DisplayBitmap() {
    DrawDisplayPart(m_display.rect());
    return m_display;
}

void CTesseloView::ResetDragState() { m_dragState = HasDisplay() ? kDragReady : kDragIdle; }

void CTesseloView::ZoomInStep() {
    if (m_zoom < kZoomMax) m_zoom *= 1.25;
    OnZoomChanged();
}

void CTesseloView::ZoomOutStep() {
    if (m_zoom > kZoomMin) m_zoom *= 0.8;
    OnZoomChanged();
}

void CTesseloView::ZoomByWheel(int delta) {
    if (delta > 0)
        ZoomInStep();
    else if (delta < 0)
        ZoomOutStep();
    Repaint();
}

void CTesseloView::Repaint() {
    m_redraw = true;
    viewport()->update();
}

QPointF CTesseloView::ClientToScrolled(QPointF p) const {
    return {p.x() + horizontalScrollBar()->value(), p.y() + verticalScrollBar()->value()};
}

QPointF CTesseloView::ScrolledToClient(QPointF p) const {
    return {p.x() - horizontalScrollBar()->value(), p.y() - verticalScrollBar()->value()};
}

QPointF CTesseloView::ScrolledToDisplay(QPointF p) const {
    return {(p.x() - m_centring.x()) / m_zoom, (p.y() - m_centring.y()) / m_zoom};
}

QPointF CTesseloView::DisplayToScrolled(QPointF p) const {
    return {p.x() * m_zoom + m_centring.x(), p.y() * m_zoom + m_centring.y()};
}

QPointF CTesseloView::DisplayToImage(QPointF p) const { return p * m_reduction; }

QPointF CTesseloView::ImageToDisplay(QPointF p) const { return p / m_reduction; }

QPointF CTesseloView::ImageToClient(QPointF p) const {
    return ScrolledToClient(DisplayToScrolled(ImageToDisplay(p)));
}

QPointF CTesseloView::ClientToImage(QPointF p) const {
    return DisplayToImage(ScrolledToDisplay(ClientToScrolled(p)));
}

void CTesseloView::UpdateScrollBars(int contentWidth, int contentHeight) {
    QScrollBar* bars[2] = {horizontalScrollBar(), verticalScrollBar()};
    const int content[2] = {contentWidth, contentHeight};
    int oldPosition[2], oldMaximum[2];
    for (int i = 0; i < 2; ++i) {
        oldPosition[i] = bars[i]->value();
        oldMaximum[i] = bars[i]->maximum();
    }
    const int extent = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    bool shown[2] = {horizontalScrollBarPolicy() == Qt::ScrollBarAlwaysOn,
                     verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOn};
    bool shownNow[2] = {false, false};
    auto client = [&](int i) {
        // The horizontal bar takes height, the vertical one width.
        return i == 0 ? width() - (shown[1] ? extent : 0) : height() - (shown[0] ? extent : 0);
    };

    m_settingScrollBars = true;
    for (bool newBar = true; newBar;) {
        newBar = false;
        for (int i = 0; i < 2; ++i) {
            if (client(i) >= content[i]) {
                shown[i] = false;
            } else if (!shownNow[i]) {
                shown[i] = shownNow[i] = true;
                newBar = true;
            }
        }
    }
    setHorizontalScrollBarPolicy(shown[0] ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(shown[1] ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    for (int i = 0; i < 2; ++i) {
        if (!shown[i]) {
            bars[i]->setRange(0, 0);
            bars[i]->setValue(0);
            continue;
        }
        const int maximum = std::max(0, content[i] - client(i));
        bars[i]->setRange(0, maximum);
        const int position =
            oldMaximum[i] <= 0 ? maximum / 2
                               : static_cast<int>(double(oldPosition[i]) / oldMaximum[i] * maximum);
        bars[i]->setValue(position);
    }
    m_settingScrollBars = false;
}

void CTesseloView::SetScrollPosition(Qt::Orientation orientation, int position) {
    QScrollBar* bar = orientation == Qt::Horizontal ? horizontalScrollBar() : verticalScrollBar();
    bar->setValue(std::clamp(position, 0, std::max(0, bar->maximum())));
}

void CTesseloView::OnScroll(Qt::Orientation orientation, int code, int position) {
    QScrollBar* bar = orientation == Qt::Horizontal ? horizontalScrollBar() : verticalScrollBar();
    const int current = bar->value();
    int next = position;
    switch (code) {
        case SB_LINEUP:
            next = current - kLineStep;
            break;
        case SB_LINEDOWN:
            next = current + kLineStep;
            break;
        case SB_PAGEUP:
            next = current - kPageStep;
            break;
        case SB_PAGEDOWN:
            next = current + kPageStep;
            break;
        default:
            break;
    }
    if (code == SB_ENDSCROLL) return;
    SetScrollPosition(orientation, next);
    Repaint();
}

void CTesseloView::scrollContentsBy(int, int) {
    // Scroll-bar moves by the user arrive here; the whole area is rendered anew.
    if (!m_settingScrollBars) Repaint();
}

void CTesseloView::RenderBackBuffer() {
    m_scaledSize = QSize(static_cast<int>(m_displaySize.width() * m_zoom),
                         static_cast<int>(m_displaySize.height() * m_zoom));
    UpdateScrollBars(m_scaledSize.width(), m_scaledSize.height());
    const int cw = viewport()->width();
    const int ch = viewport()->height();
    m_centring = QPoint(m_scaledSize.width() < cw ? (cw - m_scaledSize.width()) / 2 : 0,
                        m_scaledSize.height() < ch ? (ch - m_scaledSize.height()) / 2 : 0);

    if (m_backBuffer.width() < cw || m_backBuffer.height() < ch)
        m_backBuffer = QImage(std::max(cw, m_backBuffer.width()),
                              std::max(ch, m_backBuffer.height()), QImage::Format_RGB32);
    QPainter painter(&m_backBuffer);
    painter.fillRect(0, 0, cw, ch, Qt::white);
    if (HasDisplay()) {
        // The visible display pixels, whole, drawn exactly where the conversions put them, so
        // that overlays and picks line up with the image at every zoom.
        const QPointF a = ScrolledToDisplay(ClientToScrolled(QPointF(0, 0)));
        const QPointF b = ScrolledToDisplay(ClientToScrolled(QPointF(cw, ch)));
        const int left = std::max(0, static_cast<int>(std::floor(a.x())));
        const int top = std::max(0, static_cast<int>(std::floor(a.y())));
        const int right = std::min(m_displaySize.width(), static_cast<int>(std::ceil(b.x())));
        const int bottom = std::min(m_displaySize.height(), static_cast<int>(std::ceil(b.y())));
        if (right > left && bottom > top) {
            DrawDisplayPart(QRect(left, top, right - left, bottom - top));
            const QPointF topLeft = ScrolledToClient(DisplayToScrolled(QPointF(left, top)));
            const QPointF bottomRight = ScrolledToClient(DisplayToScrolled(QPointF(right, bottom)));
            painter.setClipRect(0, 0, cw, ch);
            painter.drawImage(QRectF(topLeft, bottomRight), m_display,
                              QRectF(left, top, right - left, bottom - top));
        }
    }
    m_redraw = false;
}

void CTesseloView::paintEvent(QPaintEvent*) {
    if (m_redraw) {
        ui::CWaitCursor wait;
        RenderBackBuffer();
    }
    QPainter painter(viewport());
    painter.drawImage(QPoint(0, 0), m_backBuffer,
                      QRect(0, 0, viewport()->width(), viewport()->height()));
    DrawMeasurements(painter);
}

void CTesseloView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    m_redraw = true;
}

void CTesseloView::wheelEvent(QWheelEvent* event) {
    ZoomByWheel(event->angleDelta().y());
    event->accept();
}

void CTesseloView::mousePressEvent(QMouseEvent* event) {
    const QPoint client = event->position().toPoint();
    m_lastMouse = client;
    if (event->button() == Qt::MiddleButton) {
        const QPointF scrolled = ClientToScrolled(QPointF(client));
        m_panStart = QPoint(static_cast<int>(scrolled.x()), static_cast<int>(scrolled.y()));
        viewport()->setCursor(CMeasureCursors::Cursor(CMeasureCursors::kPan));
    } else if (event->button() == Qt::LeftButton) {
        OnLButtonDown(client);
    }
    event->accept();
}

void CTesseloView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint client = event->position().toPoint();
    m_lastMouse = client;
    const Qt::MouseButtons buttons = event->buttons();
    if (buttons & Qt::MiddleButton) {
        // Panning only where the scaled image fills the window in at least one direction.
        if (m_centring.x() == 0 || m_centring.y() == 0) {
            viewport()->setCursor(CMeasureCursors::Cursor(CMeasureCursors::kPan));
            const QPointF start = ScrolledToClient(QPointF(m_panStart));
            const int dx = static_cast<int>(start.x() - client.x());
            const int dy = static_cast<int>(start.y() - client.y());
            m_settingScrollBars = true;
            SetScrollPosition(Qt::Horizontal, horizontalScrollBar()->value() + dx);
            SetScrollPosition(Qt::Vertical, verticalScrollBar()->value() + dy);
            m_settingScrollBars = false;
            Repaint();
        }
        event->accept();
        return;
    }
    if ((buttons & Qt::LeftButton) && !viewport()->rect().contains(client)) {
        if (!m_autoScroll) {
            m_autoScrollTimer.start();
            m_autoScroll = true;
        }
    } else {
        StopAutoScroll();
    }
    OnMouseMove(client, buttons);
    event->accept();
}

void CTesseloView::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint client = event->position().toPoint();
    m_lastMouse = client;
    if (event->button() == Qt::MiddleButton) {
        SetModeCursor();
    } else if (event->button() == Qt::LeftButton) {
        StopAutoScroll();
        OnLButtonUp(client);
    }
    event->accept();
}

void CTesseloView::StopAutoScroll() {
    m_autoScrollTimer.stop();
    m_autoScroll = false;
}

void CTesseloView::OnAutoScrollTimer() {
    const QRect rect = viewport()->rect();
    const QPoint p = m_lastMouse;
    if (rect.contains(p)) {
        StopAutoScroll();
        return;
    }
    auto overshoot = [](int value, int low, int high) {
        if (value > high) return value - high;
        if (value < low) return value - low;
        return 0;
    };
    const int dx = static_cast<int>(overshoot(p.x(), 0, rect.width()) * kAutoScrollSpeed);
    const int dy = static_cast<int>(overshoot(p.y(), 0, rect.height()) * kAutoScrollSpeed);
    m_settingScrollBars = true;
    SetScrollPosition(Qt::Horizontal, horizontalScrollBar()->value() + dx);
    SetScrollPosition(Qt::Vertical, verticalScrollBar()->value() + dy);
    m_settingScrollBars = false;
    Repaint();
}

void CTesseloView::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    if (CTesseloApp* app = CTesseloApp::Instance(); app && app->MainFrame())
        PostMessageTo(app->MainFrame(), msg::WM_APP_WORKFLOW_STEP, -1, 0);
    OnZoomChanged();
}

bool CTesseloView::event(QEvent* event) {
    if (event->type() == CCommandEvent::TypeId()) {
        CTesseloApp::Instance()->RouteCommand(static_cast<CCommandEvent*>(event)->Id(), this);
        return true;
    }
    return QAbstractScrollArea::event(event);
}
