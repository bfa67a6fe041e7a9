#pragma once
// CSpracheDlg: the first-start language choice, one flag button per language.
// Result: -1 none (closed without a choice), 0 German, 1 English.

#include "CModalDialog.h"

class QPushButton;

class CSpracheDlg : public CModalDialog {
    Q_OBJECT
public:
    explicit CSpracheDlg(QWidget* parent = nullptr);

    int Result() const { return m_result; }

    void OnGerman();
    void OnEnglish();

    // The flags of the two buttons, 32 x 20 pixels.
    static QPixmap GermanFlag();
    static QPixmap BritishFlag();

private:
    QPushButton* m_english;
    QPushButton* m_german;
    int m_result = -1;
};
