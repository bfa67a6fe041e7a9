#pragma once
// CInfoDlg: the reference points dialog's help: mouse use and the axes of the screen, of the
// 2D and of the 3D reference systems.

#include "CModalDialog.h"

class CInfoDlg : public CModalDialog {
    Q_OBJECT
public:
    explicit CInfoDlg(QWidget* parent = nullptr);
};
