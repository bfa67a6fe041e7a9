#include "CChildFrame.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QMenu>
#include <iterator>

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

void CChildFrame::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) {
        m_document->RetranslateTitle();
        RetranslateSystemMenu();
    }
    QMdiSubWindow::changeEvent(event);
}

void CChildFrame::RetranslateSystemMenu() {
    // The toolkit names the entries of the window's menu once, when it builds it, in this order
    // and with these texts of its own catalogue (the toolkit's, not ours); it never names them
    // again.
    static const char* const kEntries[] = {
        "&Restore", "&Move", "&Size", "Mi&nimize", "Ma&ximize", "Stay on &Top", "&Close",
    };
    const QMenu* menu = systemMenu();
    if (!menu) return;
    QList<QAction*> entries;
    for (QAction* action : menu->actions())
        if (!action->isSeparator()) entries << action;
    if (entries.size() != qsizetype(std::size(kEntries))) return;  // a menu of another make
    for (qsizetype i = 0; i < entries.size(); ++i)
        entries[i]->setText(QCoreApplication::translate("QMdiSubWindow", kEntries[i]));
}

void CChildFrame::closeEvent(QCloseEvent* event) {
    if (!m_document->SaveModified()) {
        event->ignore();
        return;
    }
    QMdiSubWindow::closeEvent(event);
}
