#pragma once
// A user interface for tests: records every message, answers from a queue (else the first
// button), reports Escape from a queue of poll results, counts wait-cursor calls. Installed for
// its lifetime.

#include <deque>
#include <string>
#include <vector>

#include "UserInterface.h"

class CScriptedUserInterface final : public ui::CUserInterface {
public:
    CScriptedUserInterface() { ui::Install(this); }
    ~CScriptedUserInterface() override { ui::Install(nullptr); }

    ui::Answer MessageBox(const std::string& text, ui::Buttons buttons, ui::Icon) override {
        messages.push_back(text);
        if (!answers.empty()) {
            const ui::Answer a = answers.front();
            answers.pop_front();
            return a;
        }
        return (buttons == ui::Buttons::Ok || buttons == ui::Buttons::OkCancel) ? ui::Answer::Ok
                                                                                : ui::Answer::Yes;
    }
    bool EscapePressed() override {
        ++escapePolls;
        if (escapes.empty()) return false;
        const bool e = escapes.front();
        escapes.pop_front();
        return e;
    }
    void BeginWaitCursor() override { ++waitDepth, ++waitBegins; }
    void EndWaitCursor() override { --waitDepth; }

    std::vector<std::string> messages;
    std::deque<ui::Answer> answers;
    std::deque<bool> escapes;
    int escapePolls = 0;
    int waitDepth = 0;
    int waitBegins = 0;
};

// A progress control that records what it was told.
class CRecordingProgress final : public ui::CProgress {
public:
    void SetRange(int lo, int hi) override { lower = lo, upper = hi; }
    void SetStep(int s) override { step = s; }
    void StepIt() override { ++steps, pos += step; }
    void SetPos(int p) override { pos = p; }

    int lower = -1, upper = -1, step = 0, steps = 0, pos = -1;
};
