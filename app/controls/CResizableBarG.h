#pragma once
// A resizable bar with a gripper: while docked, a title strip with two grip lines and a close
// button that hides the bar. Floating, the bar has neither: the floating window's own caption
// takes their place.

#include "CBarCloseButton.h"
#include "CResizableBar.h"

class CBarTitle;

class CResizableBarG : public CResizableBar {
    Q_OBJECT

public:
    CResizableBarG();

    virtual bool HasGripper() const { return !isFloating(); }

    CBarCloseButton& CloseButton() { return m_closeButton; }
    const CBarCloseButton& CloseButton() const { return m_closeButton; }
    CBarTitle& Title() const { return *m_title; }

    void PaintGripper(QPainter& painter, const QRect& strip) const override;

    // The close button was clicked: the frame hides the bar.
    void OnCloseButton();

protected:
    void OnPlacementChanged() override;

private:
    void UpdateTitleBar();

    CBarCloseButton m_closeButton;
    CBarTitle* m_title;  // child of the bar
};
