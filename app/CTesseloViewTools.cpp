// The measuring tools of the view: the left-button handling and drag states, the rubber band,
// the pick of a point in the magnifier, the crop region, the cursor of the current mode and
// tool, the overlays drawn over the image, and the commands that choose mode and tool.
//
// Source documents measure control points (mode 1) or rectangle corners (mode 0); target
// documents crop (tool 1) or measure distances (2), points (3) and polygons (4).
#include <QPainter>
#include <algorithm>

#include "CMainFrame.h"
#include "CPostedEvents.h"
#include "CTesseloApp.h"
#include "CTesseloView.h"
#include "CommandIds.h"
#include "UserInterface.h"
#include "controls/CMeasureCursors.h"
#include "controls/CMeasureMarkers.h"
#include "controls/CZoomPickerCtrl.h"
#include "dialogs/CPunktAuswaehlenDlg.h"

namespace {

QPoint Truncated(QPointF p) { return QPoint(static_cast<int>(p.x()), static_cast<int>(p.y())); }

// The rectangle spanned by two points, normalised; its width and height are the distances
// between them, so a rectangle spanned by one point twice is empty.
QRect Spanned(QPoint a, QPoint b) {
    return QRect(std::min(a.x(), b.x()), std::min(a.y(), b.y()), std::abs(a.x() - b.x()),
                 std::abs(a.y() - b.y()));
}

// The marker's top-left corner for a point's window position, whole pixels.
QPoint MarkerCorner(QPointF p) {
    return Truncated(p) - QPoint(CMeasureMarkers::kOffset, CMeasureMarkers::kOffset);
}

void Invert(QPainter& painter, const QRect& rect) {
    painter.save();
    painter.setCompositionMode(QPainter::RasterOp_NotDestination);
    painter.fillRect(rect, Qt::black);
    painter.restore();
}

// A name beside its marker, black on a white box.
void DrawName(QPainter& painter, QPoint marker, const QString& name) {
    const QPoint at = marker + QPoint(10, -15);
    QRect box = painter.fontMetrics().boundingRect(name).adjusted(-1, 0, 1, 0);
    box.moveTopLeft(at);
    painter.fillRect(box, Qt::white);
    painter.setPen(Qt::black);
    painter.drawText(box, Qt::AlignHCenter | Qt::AlignTop, name);
}

}  // namespace

void CTesseloView::InitToolCommands() {
    m_pointsCursor = CMeasureCursors::Cursor(CMeasureCursors::kControlPoints);
    m_cornersCursor = CMeasureCursors::Cursor(CMeasureCursors::kRectangle);
    m_cropCursor = CMeasureCursors::Cursor(CMeasureCursors::kCrop);
    m_measureCursor = CMeasureCursors::Cursor(CMeasureCursors::kMeasure);

    const struct {
        int id;
        int mode;
    } modes[] = {{cmd::ID_MEASURE_CONTROL_POINTS, 1}, {cmd::ID_MEASURE_RECTANGLE, 0}};
    for (const auto& m : modes) {
        OnCommand(m.id, [this, mode = m.mode] {
            if (!m_document) return;
            m_document->m_measureMode = mode;
            viewport()->update();
            if (CTesseloApp* app = CTesseloApp::Instance(); app && app->MainFrame())
                PostMessageTo(app->MainFrame(), msg::WM_APP_WORKFLOW_STEP, -1, 0);
        });
        OnUpdateCommand(m.id, [this, mode = m.mode](CCmdUI& state) {
            const bool source = m_document && m_document->m_isSource;
            state.Enable(source);
            state.SetCheck(source && m_document->m_measureMode == mode);
        });
    }
    const struct {
        int id;
        int tool;
    } tools[] = {{cmd::ID_TOOL_CROP, 1},
                 {cmd::ID_TOOL_DISTANCE, 2},
                 {cmd::ID_TOOL_POINTS, 3},
                 {cmd::ID_TOOL_AREA, 4}};
    for (const auto& t : tools) {
        OnCommand(t.id, [this, tool = t.tool] {
            if (!m_document || m_document->m_isSource) return;
            m_tool = tool;
            viewport()->update();
        });
        OnUpdateCommand(t.id, [this, tool = t.tool](CCmdUI& state) {
            const bool target = m_document && !m_document->m_isSource;
            state.Enable(target);
            state.SetCheck(target && m_tool == tool);
        });
    }
}

const QCursor& CTesseloView::ModeCursor() const {
    return m_document && m_document->m_measureMode == 1 ? m_pointsCursor : m_cornersCursor;
}

void CTesseloView::SetModeCursor() {
    if (!m_document) {
        viewport()->setCursor(Qt::ArrowCursor);
    } else if (m_document->m_isSource) {
        if (m_dragState == kDragReady)
            viewport()->setCursor(ModeCursor());
        else
            viewport()->setCursor(Qt::ArrowCursor);
    } else if (m_tool == 1) {
        viewport()->setCursor(m_cropCursor);
    } else if (m_tool >= 2 && m_tool <= 4) {
        viewport()->setCursor(m_measureCursor);
    } else {
        viewport()->setCursor(Qt::ArrowCursor);
    }
}

void CTesseloView::OnLButtonDown(const QPoint& client) {
    if (!m_document) return;
    if (!m_document->m_isSource) {
        BeginToolDrag(client);
    } else if (m_dragState == kDragReady) {
        m_dragStart = Truncated(ClientToScrolled(QPointF(client)));
        m_dragState = kDragDragging;
    }
}

void CTesseloView::OnMouseMove(const QPoint& client, Qt::MouseButtons buttons) {
    if (!m_document) return;
    if (!m_document->m_isSource) {
        ToolMouseMove(client, buttons);
        return;
    }
    if (m_dragState == kDragIdle) {
        viewport()->setCursor(Qt::ArrowCursor);
        return;
    }
    if (m_dragState == kDragDragging) {
        if (buttons & Qt::LeftButton)
            m_rubberBand = Spanned(Truncated(ScrolledToClient(QPointF(m_dragStart))), client);
        else
            m_dragState = kDragReady;
        viewport()->update();
    }
    if (m_dragState == kDragReady || m_dragState == kDragDragging)
        viewport()->setCursor(ModeCursor());
}

void CTesseloView::OnLButtonUp(const QPoint& client) {
    if (!m_document) return;
    if (!m_document->m_isSource) {
        EndToolDrag(client);
    } else if (m_dragState == kDragDragging) {
        PickPointInRegion(Spanned(m_dragStart, Truncated(ClientToScrolled(QPointF(client)))));
    } else if (m_dragState != kDragReady) {
        viewport()->setCursor(Qt::ArrowCursor);
        m_dragState = kDragIdle;
    }
}

void CTesseloView::BeginToolDrag(const QPoint& client) {
    m_dragStart = Truncated(ClientToScrolled(QPointF(client)));
    m_dragState = kDragDragging;
}

void CTesseloView::ToolMouseMove(const QPoint& client, Qt::MouseButtons buttons) {
    SetModeCursor();
    if (m_dragState == kDragDragging) {
        if (buttons & Qt::LeftButton)
            m_rubberBand = Spanned(Truncated(ScrolledToClient(QPointF(m_dragStart))), client);
        else
            m_dragState = kDragReady;
    }
    viewport()->update();
}

void CTesseloView::EndToolDrag(const QPoint& client) {
    if (m_dragState != kDragDragging || !m_document) return;
    CTesseloDoc* doc = m_document;
    if (m_tool == 1) {
        const QRect band = Spanned(Truncated(ScrolledToClient(QPointF(m_dragStart))), client);
        const QPointF a = ClientToImage(QPointF(band.x(), band.y()));
        const QPointF b = ClientToImage(QPointF(band.x() + band.width(), band.y() + band.height()));
        const QSize size = doc->GetImageSize();
        const double x0 = std::clamp(a.x(), 0.0, double(size.width()));
        const double y0 = std::clamp(a.y(), 0.0, double(size.height()));
        const double x1 = std::clamp(b.x(), 0.0, double(size.width()));
        const double y1 = std::clamp(b.y(), 0.0, double(size.height()));
        if (x1 - x0 > 0 && y1 - y0 > 0) {
            doc->m_cropX0 = x0;
            doc->m_cropY0 = y0;
            doc->m_cropX1 = x1;
            doc->m_cropY1 = y1;
            doc->m_cropValid = 1;
        } else {
            doc->m_cropValid = 0;
        }
    } else if (m_tool >= 2 && m_tool <= 4) {
        PickPointInRegion(Spanned(m_dragStart, Truncated(ClientToScrolled(QPointF(client)))));
        if (m_tool == 2 && doc->m_distanceState == 2) doc->ShowDistance();
    }
    m_dragState = kDragReady;
    viewport()->update();
}

int CTesseloView::PickPointInRegion(const QRect& scrolled) {
    if (scrolled.width() == 0 || scrolled.height() == 0) {
        ui::MessageId(10073);
        return 0;
    }
    const QPoint a = Truncated(ScrolledToDisplay(QPointF(scrolled.x(), scrolled.y())));
    const QPoint b = Truncated(ScrolledToDisplay(
        QPointF(scrolled.x() + scrolled.width(), scrolled.y() + scrolled.height())));
    CPunktAuswaehlenDlg dialog(this);
    // The magnifier fits the region to its shape when it first paints; only the part it then
    // shows is drawn.
    dialog.Picker()->SetPrepare([this](const QRect& part) { DrawDisplayPart(part); });
    if (!dialog.Picker()->SetSource(&m_display, a.x(), a.y(), b.x(), b.y(), m_reduction,
                                    m_displaySize.width(), m_displaySize.height()))
        return 0;
    // "Neuen Bereich wählen" keeps the drag state, so that the next drag starts at once.
    if (dialog.DoModal() != QDialog::Accepted) {
        viewport()->setCursor(ModeCursor());
        m_dragState = kDragReady;
    }
    viewport()->update();
    return 1;
}

void CTesseloView::DrawMeasurements(QPainter& painter) {
    if (!m_document) return;
    painter.save();
    if (m_document->m_isSource)
        DrawSourceOverlays(painter);
    else
        DrawTargetOverlays(painter);
    painter.restore();
}

void CTesseloView::DrawSourceOverlays(QPainter& painter) {
    const CTesseloDoc& doc = *m_document;
    if (doc.m_measureMode == 1) {
        const CControlPointList& points = doc.m_points;
        for (int i = 0; i < points.Size(); ++i) {
            const QPoint corner = MarkerCorner(
                ImageToClient(QPointF(points.x[size_t(i)] + 0.5, points.y[size_t(i)] + 0.5)));
            painter.drawImage(corner, CMeasureMarkers::PointMarker());
            DrawName(painter, corner, points.names[i]);
        }
    } else if (doc.m_corners.Size() > 0) {
        const CCornerList& corners = doc.m_corners;
        QPolygon ring;
        for (int i = 0; i < corners.Size(); ++i)
            ring << Truncated(
                ImageToClient(QPointF(corners.x[size_t(i)] + 0.5, corners.y[size_t(i)] + 0.5)));
        painter.setPen(m_dashPen);
        painter.setBrush(Qt::NoBrush);
        if (ring.size() == 4)
            painter.drawPolygon(ring);
        else
            painter.drawPolyline(ring);
        for (const QPoint& p : ring)
            painter.drawImage(MarkerCorner(p), CMeasureMarkers::CornerMarker());
    }
    if (m_dragState == kDragDragging) Invert(painter, m_rubberBand);
}

void CTesseloView::DrawTargetOverlays(QPainter& painter) {
    const CTesseloDoc& doc = *m_document;
    painter.setPen(m_dashPen);
    painter.setBrush(Qt::NoBrush);
    if (m_dragState == kDragDragging) {
        if (m_tool == 1) {
            if (!m_rubberBand.isEmpty()) painter.drawRect(m_rubberBand.adjusted(0, 0, -1, -1));
        } else {
            Invert(painter, m_rubberBand);
        }
    }
    if (m_tool == 1) {
        if (doc.m_cropValid) {
            const QPoint a = Truncated(ImageToClient(QPointF(doc.m_cropX0, doc.m_cropY0)));
            const QPoint b = Truncated(ImageToClient(QPointF(doc.m_cropX1, doc.m_cropY1)));
            painter.drawRect(QRect(a, b - QPoint(1, 1)));
        }
        return;
    }
    if (m_tool == 2) {
        const QPoint first =
            Truncated(ImageToClient(QPointF(doc.m_distX1 + 0.5, doc.m_distY1 + 0.5)));
        const QPoint second =
            Truncated(ImageToClient(QPointF(doc.m_distX2 + 0.5, doc.m_distY2 + 0.5)));
        if (doc.m_distanceState == 2) painter.drawLine(first, second);
        if (doc.m_distanceState >= 1)
            painter.drawImage(MarkerCorner(first), CMeasureMarkers::CornerMarker());
        if (doc.m_distanceState == 2)
            painter.drawImage(MarkerCorner(second), CMeasureMarkers::CornerMarker());
        return;
    }
    if (m_tool != 3 && m_tool != 4) return;
    const CMeasurePointList& points = doc.m_measurePoints;
    QPolygon ring;
    for (int i = 0; i < points.Size(); ++i)
        ring << Truncated(
            ImageToClient(QPointF(points.x[size_t(i)] + 0.5, points.y[size_t(i)] + 0.5)));
    if (m_tool == 4 && ring.size() >= 2) {
        painter.drawPolyline(ring);
        if (ring.size() >= 3) {
            painter.setPen(m_dotPen);
            painter.drawLine(ring.back(), ring.front());
        }
    }
    for (int i = 0; i < ring.size(); ++i) {
        painter.drawImage(MarkerCorner(ring[i]), CMeasureMarkers::PointMarker());
        DrawName(painter, MarkerCorner(ring[i]), points.names[i]);
    }
}
