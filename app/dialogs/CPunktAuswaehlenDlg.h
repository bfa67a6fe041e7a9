#pragma once
// CPunktAuswaehlenDlg: the point-picking dialog. Its magnifier (CZoomPickerCtrl) shows the
// dragged region; a click there posts WM_APP_POINT_PICKED, and the dialog hands the picked
// image position to the active document: a control point or a rectangle corner in a source
// document (by measuring mode), a distance end point or a measurement point in a target
// document (by the tool of its first view). When the document takes the point the dialog
// closes as cancelled; when it refuses (a cancelled name) the dialog stays open for another
// click. "Neuen Bereich wählen" (OK) closes it so that the user drags a new region.

#include "CModalDialog.h"

class QLabel;
class CZoomPickerCtrl;

class CPunktAuswaehlenDlg : public CModalDialog {
    Q_OBJECT
public:
    explicit CPunktAuswaehlenDlg(QWidget* parent = nullptr);

    CZoomPickerCtrl* Picker() const { return m_picker; }

    // Without an active document the dialog does not run.
    bool OnInitDialog() override;
    // The posted pick. A pick that arrives while the previous one is still being handled (its
    // name dialog open) or after the dialog has closed is dropped.
    int OnPointPicked();

protected:
    bool event(QEvent* event) override;

private:
    CZoomPickerCtrl* m_picker;
    QLabel* m_xText;
    QLabel* m_yText;
    QLabel* m_ratioText;
    bool m_handlingPick = false;
    bool m_closed = false;
};
