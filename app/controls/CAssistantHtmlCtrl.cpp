#include "CAssistantHtmlCtrl.h"

#include <QWheelEvent>

#include "CAppMessageEvent.h"

CAssistantHtmlCtrl::CAssistantHtmlCtrl(QWidget* parent) : CHtmlPaneCtrl(parent) {
    setObjectName(QStringLiteral("assistantHtml"));
}

void CAssistantHtmlCtrl::OnAppCmd(const QString& command) {
    m_lastCommand = command;
    if (QWidget* bar = parentWidget()) CAppMessageEvent::Post(bar, WM_APP_ASSISTANT_COMMAND);
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
