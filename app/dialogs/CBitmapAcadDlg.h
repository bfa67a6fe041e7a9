#pragma once
// CBitmapAcadDlg ("Bitmap -> Acad"): hands the active target document's saved image and its
// placement to the CAD interface program. OK writes the transfer file "~KaviToAcad n.tmp"
// into the temp directory (18 lines: image path, 3D flag, the sixteen placement texts) and
// posts the transfer message with n; an undelivered file is deleted again.

#include "CModalDialog.h"

class QRadioButton;

class CBitmapAcadDlg : public CModalDialog {
    Q_OBJECT
public:
    explicit CBitmapAcadDlg(QWidget* parent = nullptr);

    // Mode from the active document's 3D flag; "3D" is disabled for a 2D document. False
    // (closed as cancelled) without an active document.
    bool OnInitDialog() override;
    // Closes the dialog when SendToCad succeeds.
    void OnOK();
    // Writes the transfer file and posts it; 0 keeps the dialog open (after a message when the
    // file cannot be written).
    int SendToCad();

    // Highest transfer file number tried before giving up.
    static constexpr int kMaxTransferNumber = 1000;

private:
    QRadioButton* m_radio2D;
    QRadioButton* m_radio3D;
    int m_mode = 0;  // 0 2D, 1 3D
};
