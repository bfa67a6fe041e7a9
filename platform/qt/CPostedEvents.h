#pragma once
// Posted private messages and posted commands: events that arrive asynchronously, after the
// poster's handler has returned, in the order they were posted.

#include <QEvent>
#include <QObject>
#include <cstdint>

// A private message (message number, wParam, lParam) posted to a window.
class CPostedMessageEvent : public QEvent {
public:
    CPostedMessageEvent(int message, intptr_t wParam, intptr_t lParam)
        : QEvent(TypeId()), m_message(message), m_wParam(wParam), m_lParam(lParam) {}
    static QEvent::Type TypeId();
    int Message() const { return m_message; }
    intptr_t WParam() const { return m_wParam; }
    intptr_t LParam() const { return m_lParam; }

private:
    int m_message;
    intptr_t m_wParam;
    intptr_t m_lParam;
};

// A command id posted to a window; the receiver routes it starting at itself.
class CCommandEvent : public QEvent {
public:
    explicit CCommandEvent(int id) : QEvent(TypeId()), m_id(id) {}
    static QEvent::Type TypeId();
    int Id() const { return m_id; }

private:
    int m_id;
};

void PostMessageTo(QObject* receiver, int message, intptr_t wParam, intptr_t lParam);
void PostCommandTo(QObject* receiver, int id);
