#pragma once
// CVerzeichnungBerechnenDlg: calibrates a lens-distortion model from the control points of the
// active document, previews it as a displaced grid, and saves it as a calibration file (".verz")
// or exports it as text (".asc"); a calibration file can be loaded to look at it. The dialog
// owns its calibration; nothing of it returns to the caller, so a calibration outlives the
// dialog only as a saved file.
//
// The caller sets the image size (pixels) and the reference lists (metres, the 2D system's
// first and second axis) with their use flags before DoModal; the measured image positions
// (pixels) are the active document's.

#include <QString>
#include <vector>

#include "CDistortionCalibration.h"
#include "CModalDialog.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class CDistortionGridCtrl;

class CVerzeichnungBerechnenDlg : public CModalDialog {
    Q_OBJECT
public:
    explicit CVerzeichnungBerechnenDlg(QWidget* parent = nullptr);

    // False (the dialog does not open) without an active document.
    bool OnInitDialog() override;
    void OnCompute();
    void OnLoad();
    void OnSave();
    void OnExportAscii();
    void OnDisplayOptionChange();
    void ReadDisplayOptions();
    void ShowDescription();

    CDistortionCalibration& Calibration() { return m_calibration; }
    CDistortionGridCtrl* Preview() const { return m_preview; }

    // Set by the caller.
    int m_width = 0;
    int m_height = 0;
    const std::vector<double>* m_refX = nullptr;
    const std::vector<double>* m_refY = nullptr;
    const std::vector<int>* m_use = nullptr;
    // Points whose use flag has this value take part.
    int m_active = 1;

    // Members bound to the controls.
    int m_offset = 0;
    QString m_description;
    QString m_cameraName;

private:
    void UpdateData(bool fromControls);
    // The file chooser of the load, save and export buttons; the chosen path or empty.
    QString ChooseFile(bool open, int filterId, int extensionId);
    void ShowParameters();

    const std::vector<double>* m_x = nullptr;
    const std::vector<double>* m_y = nullptr;
    CDistortionCalibration m_calibration;

    QPushButton* m_export;
    QPushButton* m_save;
    QProgressBar* m_progress;
    QComboBox* m_density;
    QComboBox* m_exaggeration;
    QComboBox* m_model;
    CDistortionGridCtrl* m_preview;
    QCheckBox* m_offsetCheck;
    QPlainTextEdit* m_descriptionEdit;
    QLineEdit* m_cameraEdit;
};
