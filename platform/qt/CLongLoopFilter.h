#pragma once
// Guards a long loop on the user-interface thread. For its lifetime an application-wide event
// filter swallows user input and close requests, so that nothing re-enters the loop's code,
// and records Escape for the loop's poll. Posted private messages and commands are held back
// and posted again when the guard ends, so that none runs in the middle of the loop. Only one
// guard is active at a time; a nested guard leaves the outer one in charge.

#include <QElapsedTimer>
#include <QEvent>
#include <QObject>
#include <QPointer>
#include <memory>
#include <vector>

class CLongLoopFilter : public QObject {
public:
    CLongLoopFilter();
    ~CLongLoopFilter() override;
    CLongLoopFilter(const CLongLoopFilter&) = delete;
    CLongLoopFilter& operator=(const CLongLoopFilter&) = delete;

    // The active guard, or null outside a long loop.
    static CLongLoopFilter* Active();

    // Delivers pending events (the loop keeps its window painted; at most every
    // kEventPeriodMs) and answers whether Escape was pressed since the last poll.
    bool PollEscape();

    // While suspended (a message box the loop asks), input passes through.
    void SetSuspended(bool suspended) { m_suspended = suspended; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static constexpr qint64 kEventPeriodMs = 10;

    struct HeldEvent {
        QPointer<QObject> receiver;
        std::unique_ptr<QEvent> event;
    };
    std::vector<HeldEvent> m_held;
    bool m_escape = false;
    bool m_suspended = false;
    bool m_installed = false;
    QElapsedTimer m_sinceEvents;
};
