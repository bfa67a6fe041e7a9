#pragma once
// The assistant pane: a resizable bar with a caption band that holds the assistant's HTML pane
// over its whole area. The pane's link commands arrive here as WM_APP_ASSISTANT_COMMAND and are
// posted on, unchanged, to the main window (the frame the bar belongs to).

#include <cstdint>

#include "CAssistantHtmlCtrl.h"
#include "CResizableBarCF.h"

class CAssistantBar : public CResizableBarCF {
    Q_OBJECT

public:
    CAssistantBar();

    // Creates the bar in the frame and its HTML pane, which starts on a blank page.
    bool Create(const QString& title, QMainWindow* parent, int id) override;

    // Sets the size docked at the top or bottom and at the left or right; floating is unchanged.
    void SetDefaultSize(int cx, int cy);

    // Shows a page, accented vowels encoded.
    void SetHtml(const QString& html);

    CAssistantHtmlCtrl& HtmlCtrl() { return m_html; }
    const CAssistantHtmlCtrl& HtmlCtrl() const { return m_html; }

protected:
    bool event(QEvent* event) override;

private:
    void OnAssistantCommand(intptr_t wParam, intptr_t lParam);

    CAssistantHtmlCtrl m_html;
};
