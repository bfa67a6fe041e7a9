#pragma once
// A receiver of command ids. Each target registers a handler and optionally an update handler
// per id; CCommandRouter walks a chain of targets (view, document, child frame, main frame,
// application) to find them.

#include <functional>
#include <map>

// The enabled and checked state the update pass gathers for one command id.
class CCmdUI {
public:
    explicit CCmdUI(int id) : m_id(id) {}
    int Id() const { return m_id; }
    void Enable(bool enable = true) { m_enabled = enable; }
    void SetCheck(bool check = true) {
        m_checked = check;
        m_checkable = true;
    }
    bool IsEnabled() const { return m_enabled; }
    bool IsChecked() const { return m_checked; }
    // True once an update handler has set a check state: the command shows a check mark.
    bool IsCheckable() const { return m_checkable; }

private:
    int m_id;
    bool m_enabled = false;
    bool m_checked = false;
    bool m_checkable = false;
};

class CCommandTarget {
public:
    virtual ~CCommandTarget() = default;

    bool HasHandler(int id) const { return m_handlers.count(id) != 0; }
    bool HasUpdateHandler(int id) const { return m_updaters.count(id) != 0; }
    void Invoke(int id) const { m_handlers.at(id)(); }
    void InvokeUpdate(CCmdUI& state) const { m_updaters.at(state.Id())(state); }

protected:
    void OnCommand(int id, std::function<void()> handler) { m_handlers[id] = std::move(handler); }
    void OnUpdateCommand(int id, std::function<void(CCmdUI&)> handler) {
        m_updaters[id] = std::move(handler);
    }

private:
    std::map<int, std::function<void()>> m_handlers;
    std::map<int, std::function<void(CCmdUI&)>> m_updaters;
};
