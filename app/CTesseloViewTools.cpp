// The measuring tools of the view: the left-button handling, the tools' part of a mouse move,
// the cursor of the current mode and tool and the overlays drawn over the image. Without a
// tool the view shows the arrow and draws nothing over the image.
#include <QPainter>

#include "CTesseloView.h"

void CTesseloView::OnLButtonDown(const QPoint&) {}

void CTesseloView::OnLButtonUp(const QPoint&) {}

void CTesseloView::OnMouseMove(const QPoint&, Qt::MouseButtons) {}

void CTesseloView::SetModeCursor() { viewport()->setCursor(Qt::ArrowCursor); }

void CTesseloView::DrawMeasurements(QPainter&) {}
