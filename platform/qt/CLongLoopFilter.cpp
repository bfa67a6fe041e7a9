#include "CLongLoopFilter.h"

#include <QCoreApplication>
#include <QKeyEvent>

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
}

CLongLoopFilter* CLongLoopFilter::Active() { return g_active; }

bool CLongLoopFilter::PollEscape() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    const bool pressed = m_escape;
    m_escape = false;
    return pressed;
}

bool CLongLoopFilter::eventFilter(QObject* watched, QEvent* event) {
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
