#include "CLongLoopFilter.h"

#include <QCoreApplication>
#include <QKeyEvent>

#include "CPostedEvents.h"

namespace {
CLongLoopFilter* g_active = nullptr;
}

CLongLoopFilter::CLongLoopFilter() {
    if (g_active || !QCoreApplication::instance()) return;
    QCoreApplication::instance()->installEventFilter(this);
    g_active = this;
    m_installed = true;
}

CLongLoopFilter::~CLongLoopFilter() {
    if (!m_installed) return;
    if (QCoreApplication::instance()) QCoreApplication::instance()->removeEventFilter(this);
    g_active = nullptr;
    for (HeldEvent& held : m_held)
        if (held.receiver) QCoreApplication::postEvent(held.receiver, held.event.release());
}

CLongLoopFilter* CLongLoopFilter::Active() { return g_active; }

bool CLongLoopFilter::PollEscape() {
    // Events are delivered at the first poll and then at most every kEventPeriodMs: a loop
    // that polls per row of an image would otherwise spend more time on events than on rows.
    if (!m_sinceEvents.isValid() || m_sinceEvents.hasExpired(kEventPeriodMs)) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        m_sinceEvents.start();
    }
    const bool pressed = m_escape;
    m_escape = false;
    return pressed;
}

bool CLongLoopFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == CPostedMessageEvent::TypeId()) {
        const auto* message = static_cast<CPostedMessageEvent*>(event);
        m_held.push_back({watched, std::make_unique<CPostedMessageEvent>(
                                       message->Message(), message->WParam(), message->LParam())});
        return true;
    }
    if (event->type() == CCommandEvent::TypeId()) {
        const int id = static_cast<CCommandEvent*>(event)->Id();
        m_held.push_back({watched, std::make_unique<CCommandEvent>(id)});
        return true;
    }
    if (m_suspended) return QObject::eventFilter(watched, event);
    switch (event->type()) {
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) m_escape = true;
            return true;
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::ContextMenu:
        case QEvent::Close:
            event->ignore();
            return true;
        default:
            return QObject::eventFilter(watched, event);
    }
}
