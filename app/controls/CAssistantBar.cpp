#include "CAssistantBar.h"

#include <QMainWindow>

#include "CPostedEvents.h"
#include "CommandIds.h"

CAssistantBar::CAssistantBar() { setObjectName(QStringLiteral("assistantBar")); }

bool CAssistantBar::Create(const QString& title, QMainWindow* parent, int id) {
    if (!CResizableBarCF::Create(title, parent, id)) return false;
    m_html.setMinimumSize(1, 1);  // the bar's minimums hold, not the scroll area's
    setWidget(&m_html);
    m_html.show();
    m_html.Navigate(QStringLiteral("About:Blank"));
    return true;
}

void CAssistantBar::SetDefaultSize(int cx, int cy) {
    SetHorzSize(QSize(cx, cy));
    SetVertSize(QSize(cx, cy));
}

void CAssistantBar::SetHtml(const QString& html) { m_html.SetHtml(html, true); }

bool CAssistantBar::event(QEvent* event) {
    if (event->type() == CPostedMessageEvent::TypeId()) {
        const auto* message = static_cast<CPostedMessageEvent*>(event);
        if (message->Message() == msg::WM_APP_ASSISTANT_COMMAND) {
            OnAssistantCommand(message->WParam(), message->LParam());
            return true;
        }
    }
    return CResizableBarCF::event(event);
}

void CAssistantBar::OnAssistantCommand(intptr_t wParam, intptr_t lParam) {
    PostMessageTo(Frame(), msg::WM_APP_ASSISTANT_COMMAND, wParam, lParam);
}
