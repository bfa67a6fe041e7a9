#pragma once
// The user-interface seam implemented with Qt: message boxes, the wait cursor and the Escape
// poll that long loops use.

#include "UserInterface.h"

class CQtUserInterface final : public ui::CUserInterface {
public:
    ui::Answer MessageBox(const std::string& text, ui::Buttons buttons, ui::Icon icon) override;
    bool EscapePressed() override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
};
