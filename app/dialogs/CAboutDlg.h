#pragma once
// CAboutDlg: "Info über Tesselo" with the program's version and a button that opens the
// manual of the interface language.

#include "CModalDialog.h"

class QLabel;

class CAboutDlg : public CModalDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    bool OnInitDialog() override;
    void SetVersionText();
    void OnOpenManual();

    // The manual's path for an interface language; empty for a language without manual.
    static QString ManualPath(int language);

private:
    QLabel* m_version;
};
