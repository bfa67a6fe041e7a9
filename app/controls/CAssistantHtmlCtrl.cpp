#include "CAssistantHtmlCtrl.h"

#include <QWheelEvent>

#include "CPostedEvents.h"
#include "CommandIds.h"

CAssistantHtmlCtrl::CAssistantHtmlCtrl(QWidget* parent) : CHtmlPaneCtrl(parent) {
    setObjectName(QStringLiteral("assistantHtml"));
}

void CAssistantHtmlCtrl::OnAppCmd(const QString& command) {
    m_lastCommand = command;
    PostMessageTo(parentWidget(), msg::WM_APP_ASSISTANT_COMMAND, 0, 0);
}

void CAssistantHtmlCtrl::wheelEvent(QWheelEvent* event) {
    const QPoint global = event->globalPosition().toPoint();
    const bool outside = !rect().contains(mapFromGlobal(global));
    if (outside && m_wheelTarget && m_wheelTarget(*event)) {
        event->accept();
        return;
    }
    CHtmlPaneCtrl::wheelEvent(event);
}
