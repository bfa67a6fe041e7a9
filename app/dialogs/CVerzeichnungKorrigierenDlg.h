#pragma once
// CVerzeichnungKorrigierenDlg: the distortion step of the rectification chain. The user switches
// the lens-distortion correction on or off and picks a calibration file from the calibration
// folder; the file is loaded into the correction object the caller lends. "Weiter >>" (OK)
// stores the choice and leaves the correction object valid exactly when the correction is on
// and a valid calibration was loaded; "<< Zurück" (cancel) stores nothing. "Verzeichnung
// berechnen" opens the calculation dialog with the caller's reference lists.
//
// The lists are the caller's control points (image pixels, reference metres of the 2D system's
// first and second axis, the 2D use flags); the dialog only hands them on.

#include <QString>
#include <vector>

#include "CModalDialog.h"

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class CDistortionCalibration;
class CFileComboBox;

class CVerzeichnungKorrigierenDlg : public CModalDialog {
    Q_OBJECT
public:
    // Calibration files larger than this are refused unread.
    static constexpr qint64 kMaxCalibrationFileBytes = qint64{1} << 20;

    explicit CVerzeichnungKorrigierenDlg(std::vector<double>* x = nullptr,
                                         std::vector<double>* y = nullptr,
                                         std::vector<double>* refX = nullptr,
                                         std::vector<double>* refY = nullptr,
                                         std::vector<int>* use = nullptr,
                                         CDistortionCalibration* correction = nullptr,
                                         QWidget* parent = nullptr);

    // False (the dialog does not open) without a correction object.
    bool OnInitDialog() override;
    void OnCorrectionCheck();
    void UpdateControls();
    void FillFileCombo(const QString& fileToSelect);
    // Loads a calibration file into the correction object; the load result (1 or 0).
    int LoadCalibration(const QString& path);
    void OnFileSelected();
    void OnFileEditChange();
    void OnComputeDistortion();
    void OnOK();

    // Value of check box 1065.
    int m_correctionOn = 0;

    std::vector<double>* m_x;
    std::vector<double>* m_y;
    std::vector<double>* m_refX;
    std::vector<double>* m_refY;
    std::vector<int>* m_use;
    CDistortionCalibration* m_correction;

protected:
    bool event(QEvent* event) override;

private:
    void UpdateData(bool fromControls);
    void ShowText(const QString& text);

    QCheckBox* m_check;
    QLabel* m_fileLabel;
    QPlainTextEdit* m_description;
    CFileComboBox* m_files;
    QPushButton* m_compute;
    QPushButton* m_ok;
    QPushButton* m_back;
};
