#include "UserInterface.h"

#include "StringTable.h"

namespace ui {
namespace {

class CSilentUserInterface final : public CUserInterface {
public:
    Answer MessageBox(const std::string&, Buttons buttons, Icon) override {
        return (buttons == Buttons::Ok || buttons == Buttons::OkCancel) ? Answer::Ok : Answer::Yes;
    }
    bool EscapePressed() override { return false; }
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
};

CSilentUserInterface g_silent;
CUserInterface* g_installed = nullptr;

}  // namespace

CUserInterface& Get() { return g_installed ? *g_installed : g_silent; }

void Install(CUserInterface* implementation) { g_installed = implementation; }

Answer Message(const std::string& text, Buttons buttons, Icon icon) {
    return Get().MessageBox(text, buttons, icon);
}

Answer MessageId(int stringId, Buttons buttons, Icon icon) {
    return Get().MessageBox(strings::Load(stringId), buttons, icon);
}

}  // namespace ui
