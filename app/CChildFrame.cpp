#include "CChildFrame.h"

#include <QCloseEvent>

#include "CTesseloDoc.h"
#include "CTesseloView.h"
#include "controls/CToolBarImages.h"

CChildFrame::CChildFrame(std::unique_ptr<CTesseloDoc> document)
    : m_document(std::move(document)), m_view(new CTesseloView(m_document.get())) {
    setObjectName(QStringLiteral("childFrame"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWidget(m_view);
    setWindowIcon(CToolBarImages::ProgramIcon());
    m_document->SetView(m_view);
    m_document->SetFrame(this);
    setWindowTitle(m_document->GetTitle());
    connect(m_document.get(), &CTesseloDoc::titleChanged, this, &QWidget::setWindowTitle);
    resize(400, 300);
}

CChildFrame::~CChildFrame() {
    // The view goes first, so that nothing reaches the document through it while it dies.
    delete m_view;
    m_document->SetView(nullptr);
    m_document.reset();
}

void CChildFrame::closeEvent(QCloseEvent* event) {
    if (!m_document->SaveModified()) {
        event->ignore();
        return;
    }
    QMdiSubWindow::closeEvent(event);
}
