#pragma once
// The user-interface seam that code without Qt uses to talk to the user: message boxes and
// questions, the wait cursor, the Escape poll of long loops, and progress controls.
// The application installs a Qt implementation; tests install a scripted one.

#include <string>

namespace ui {

enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Icon { None, Information, Warning, Error, Question };
enum class Answer { Ok, Cancel, Yes, No };

class CUserInterface {
public:
    virtual ~CUserInterface() = default;
    virtual Answer MessageBox(const std::string& text, Buttons buttons, Icon icon) = 0;
    // True when Escape is held down now or was pressed since the last poll.
    virtual bool EscapePressed() = 0;
    virtual void BeginWaitCursor() = 0;
    virtual void EndWaitCursor() = 0;
};

// A progress control as long loops drive it (range, step, position).
class CProgress {
public:
    virtual ~CProgress() = default;
    virtual void SetRange(int lower, int upper) = 0;
    virtual void SetStep(int step) = 0;
    virtual void StepIt() = 0;
    virtual void SetPos(int pos) = 0;
};

// The installed implementation; without one a silent implementation answers every message
// box with its first button (Ok or Yes), never reports Escape and shows nothing.
CUserInterface& Get();
// Installs an implementation (not owned); null restores the silent one.
void Install(CUserInterface* implementation);

// Shorthands for the common cases.
Answer Message(const std::string& text, Buttons buttons = Buttons::Ok, Icon icon = Icon::None);
Answer MessageId(int stringId, Buttons buttons = Buttons::Ok, Icon icon = Icon::None);

// Shows the wait cursor for its lifetime.
class CWaitCursor {
public:
    CWaitCursor() { Get().BeginWaitCursor(); }
    ~CWaitCursor() { Get().EndWaitCursor(); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};

}  // namespace ui
