#pragma once
// A modal dialog in the framework's manner: DoModal runs OnInitDialog first, then the dialog
// through the modal runner seam. A dialog whose initialisation fails (it cannot do its work)
// returns as cancelled without showing.

#include <QDialog>

class CModalDialog : public QDialog {
    Q_OBJECT
public:
    using QDialog::QDialog;

    int DoModal();

    // Puts the values into the controls; false closes the dialog as cancelled.
    virtual bool OnInitDialog() { return true; }
};
