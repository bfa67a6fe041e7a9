#include "CPostedEvents.h"

#include <QCoreApplication>

QEvent::Type CPostedMessageEvent::TypeId() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

QEvent::Type CCommandEvent::TypeId() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

void PostMessageTo(QObject* receiver, int message, intptr_t wParam, intptr_t lParam) {
    if (receiver)
        QCoreApplication::postEvent(receiver, new CPostedMessageEvent(message, wParam, lParam));
}

void PostCommandTo(QObject* receiver, int id) {
    if (receiver) QCoreApplication::postEvent(receiver, new CCommandEvent(id));
}
