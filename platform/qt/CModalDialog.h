#pragma once
// A modal dialog in the framework's manner: DoModal runs OnInitDialog first, then the dialog
// through the modal runner seam, wide enough for its whole title under a window manager. A
// dialog whose initialisation fails (it cannot do its work) returns as cancelled without showing.

#include <QDialog>
#include <initializer_list>

class CModalDialog : public QDialog {
    Q_OBJECT
public:
    using QDialog::QDialog;

    int DoModal();

    // Puts the values into the controls; false closes the dialog as cancelled.
    virtual bool OnInitDialog() { return true; }

protected:
    // Tab visits the controls in the given order (the template's order), whatever order they
    // were created in.
    static void SetTabChain(std::initializer_list<QWidget*> controls);

    // A read-only field shows the dialog's background and stays out of the Tab chain; a click
    // still focuses it, so that its text can be selected and copied.
    template <class Field>
    static void SetReadOnly(Field* field, bool readOnly = true) {
        field->setReadOnly(readOnly);
        field->setFocusPolicy(readOnly ? Qt::ClickFocus : Qt::StrongFocus);
        ShowAsReadOnly(field, readOnly);
    }
    // The read-only look alone: the dialog's background behind the text, or the normal one.
    static void ShowAsReadOnly(QWidget* field, bool readOnly);
};
