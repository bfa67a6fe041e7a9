#pragma once
// CPunktbezeichnungDlg: asks for one line of text, the name of a measured point or the header
// line of the coordinate export. The caller sets the caption and the preset text, runs the
// dialog and reads m_name after OK. OK is enabled only while the text is not empty.
//
// As a point-name dialog (the default) the name is trimmed, and a name with a blank, a tab or
// ";" is refused: the coordinate import splits lines at blanks and tabs, the export at ";".

#include <QString>

#include "CModalDialog.h"

class QLabel;
class QLineEdit;
class QPushButton;

class CPunktbezeichnungDlg : public CModalDialog {
    Q_OBJECT
public:
    explicit CPunktbezeichnungDlg(QWidget* parent = nullptr);

    // Before DoModal: any text is taken as typed (the export header line).
    void SetFreeText(bool freeText) { m_freeText = freeText; }

    bool OnInitDialog() override;
    // Reads the text; refuses a point name with a separator character and keeps the dialog open.
    void OnOK();
    // Every change of the text: OK follows whether there is a text.
    void OnChangeName();

    // Makes this dialog the one through which documents ask for the names of new points.
    static void InstallAsPointNameAsker();

    // A point name is usable in the coordinate files: no blank, tab or ";".
    static bool IsValidPointName(const QString& name);

    QString m_caption;  // empty: the template's title and label stay
    QString m_name;

private:
    QString CurrentText() const;

    QLabel* m_label;
    QLineEdit* m_edit;
    QPushButton* m_ok;
    bool m_freeText = false;
};
