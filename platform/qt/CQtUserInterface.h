#pragma once
// The user-interface seam implemented with Qt: message boxes, the wait cursor and the Escape
// poll of long loops (answered by the active CLongLoopFilter; outside one, Escape is never
// reported). Installed by the application at start; tests install a scripted recorder instead.

#include <QString>

#include "UserInterface.h"

class CQtUserInterface final : public ui::CUserInterface {
public:
    // The title of every message box (the program's name).
    void SetCaption(const QString& caption) { m_caption = caption; }

    ui::Answer MessageBox(const std::string& text, ui::Buttons buttons, ui::Icon icon) override;
    bool EscapePressed() override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;

private:
    QString m_caption;
};
