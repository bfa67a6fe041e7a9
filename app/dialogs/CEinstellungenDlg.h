#pragma once
// CEinstellungenDlg: the settings of the active document (coordinate system, decimals, JPEG
// quality, side files, background colour, calibration folder). With "Einstellungen als
// Defaultwert speichern" ticked, OK also stores them as the defaults of later documents. In
// document-only mode the stored defaults are never touched.
// Every field is checked before anything is stored: a failed check changes nothing.

#include <QString>

#include "CModalDialog.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class CKoosysComboBox;

class CEinstellungenDlg : public CModalDialog {
    Q_OBJECT
public:
    explicit CEinstellungenDlg(QWidget* parent = nullptr);

    // Before DoModal: edit the document only, without the save-as-default option.
    void SetDocumentOnly(bool documentOnly) { m_documentOnly = documentOnly; }

    bool OnInitDialog() override;
    void LoadFromDoc();
    void OnOK();
    bool ValidateAndStore();
    void OnBrowsePath();
    // Writes the active document's settings as the stored defaults.
    static void SaveDefaults();

    // Members bound to the controls.
    int m_worldFile = 0;
    int m_saveAsDefault = 1;
    int m_geoRefFile = 1;
    QString m_blueText;
    QString m_greenText;
    QString m_redText;
    QString m_folderText;
    QString m_qualityText;

private:
    // Members to controls (false) or controls to members (true).
    void UpdateData(bool fromControls);
    void FailAt(QWidget* field, const QString& message);

    QComboBox* m_decimals;
    CKoosysComboBox* m_koosys;
    QLineEdit* m_red;
    QLineEdit* m_green;
    QLineEdit* m_blue;
    QCheckBox* m_saveAsDefaultCheck;
    QPushButton* m_ok;
    QComboBox* m_quality;
    QCheckBox* m_worldFileCheck;
    QCheckBox* m_geoRefFileCheck;
    QLineEdit* m_folder;
    bool m_documentOnly = false;
};
