#pragma once
// The program's private window messages, carried as posted events: a message number with its two
// parameters, delivered asynchronously to the receiving widget's event().

#include <QCoreApplication>
#include <QEvent>

// Message numbers (WM_APP = 0x8000).
inline constexpr int WM_APP_POINT_PICKED = 0x8001;
inline constexpr int WM_APP_FILE_SELECTED = 0x8002;
inline constexpr int WM_APP_WORKFLOW_STEP = 0x8003;
inline constexpr int WM_APP_ASSISTANT_COMMAND = 0x8004;

class CAppMessageEvent : public QEvent {
public:
    CAppMessageEvent(int message, long long wParam, long long lParam)
        : QEvent(EventType()), m_message(message), m_wParam(wParam), m_lParam(lParam) {}

    // The one event type that all private messages share.
    static QEvent::Type EventType() {
        static const int type = QEvent::registerEventType();
        return static_cast<QEvent::Type>(type);
    }

    int Message() const { return m_message; }
    long long WParam() const { return m_wParam; }
    long long LParam() const { return m_lParam; }

    // Posts the message to receiver; the event queue takes ownership.
    static void Post(QObject* receiver, int message, long long wParam = 0, long long lParam = 0) {
        QCoreApplication::postEvent(receiver, new CAppMessageEvent(message, wParam, lParam));
    }

private:
    int m_message;
    long long m_wParam;
    long long m_lParam;
};
