#include "CTesseloView.h"

#include "CPostedEvents.h"
#include "CTesseloApp.h"
#include "CTesseloDoc.h"

CTesseloView::CTesseloView(CTesseloDoc* document, QWidget* parent)
    : QAbstractScrollArea(parent), m_document(document) {
    setObjectName(QStringLiteral("view"));
    viewport()->setBackgroundRole(QPalette::Dark);
    viewport()->setAutoFillBackground(true);
}

bool CTesseloView::event(QEvent* event) {
    if (event->type() == CCommandEvent::TypeId()) {
        CTesseloApp::Instance()->RouteCommand(static_cast<CCommandEvent*>(event)->Id(), this);
        return true;
    }
    return QAbstractScrollArea::event(event);
}
