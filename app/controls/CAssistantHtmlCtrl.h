#pragma once
// The assistant's HTML pane: keeps the command of the last clicked "app:" link and posts
// WM_APP_ASSISTANT_COMMAND (0, 0) to its parent, the assistant bar, which passes it on to the
// main window; the receiver reads the command from LastCommand(). A wheel turn whose position
// lies outside the pane goes to the wheel target (the active image view) when one takes it.

#include <functional>

#include "CHtmlPaneCtrl.h"

class QWheelEvent;

class CAssistantHtmlCtrl : public CHtmlPaneCtrl {
public:
    // Hands a wheel turn to the active view; false when there is no view to take it.
    using WheelTarget = std::function<bool(QWheelEvent& event)>;

    explicit CAssistantHtmlCtrl(QWidget* parent = nullptr);

    const QString& LastCommand() const { return m_lastCommand; }
    void SetWheelTarget(WheelTarget target) { m_wheelTarget = std::move(target); }

protected:
    void OnAppCmd(const QString& command) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    QString m_lastCommand;
    WheelTarget m_wheelTarget;
};
