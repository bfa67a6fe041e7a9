#pragma once
// A resizable bar whose gripper is a caption band: the bar's title on a band in the caption
// colours, the active colours while the focus is inside the bar, with the close button at its end.

#include <QString>

#include "CResizableBarG.h"

class CResizableBarCF : public CResizableBarG {
    Q_OBJECT

public:
    CResizableBarCF();

    void PaintGripper(QPainter& painter, const QRect& strip) const override;

    bool Active() const { return m_active; }
    // "Tahoma" when the system has it, else "Arial".
    const QString& CaptionFace() const { return m_captionFace; }

    // The band's colours: the caption colour, the colour its gradient runs to, and the text colour.
    struct CaptionColours {
        QColor start;
        QColor end;
        QColor text;
    };
    CaptionColours Colours() const;

protected:
    bool event(QEvent* event) override;

private:
    void OnFocusChanged(QWidget* now);

    bool m_active = false;
    QString m_captionFace;
};
