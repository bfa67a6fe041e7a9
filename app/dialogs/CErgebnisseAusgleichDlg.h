#pragma once
// CErgebnisseAusgleichDlg: the last dialog of every rectification route. On opening it adjusts
// the projective transformation from the points in use (image pixels to reference metres),
// lists the residuals in centimetres and proposes the target size; the user fixes the size by
// pixel count, by scale and resolution, or by pixel size. "Bild entzerren" creates a new target
// document and rectifies the source image into it, with progress and Escape.
//
// Size relations: pixel size p [m] = pixel-size field [cm] / 100 = scale × 0.0254 / dpi;
// target width = extentX / p, height = width × aspect (both rounded).

#include <QPointer>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

#include "CEntzerrung.h"
#include "CModalDialog.h"

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class CDistortionCalibration;
class CListCtrlEx;
class CNumEdit;
class CRaster;
class CTesseloDoc;

class CErgebnisseAusgleichDlg : public CModalDialog {
    Q_OBJECT
public:
    explicit CErgebnisseAusgleichDlg(QWidget* parent = nullptr);

    bool OnInitDialog() override;
    // Adjusts from the points in use and fills the residual list; false when it cannot.
    bool RunAdjustment();
    void UpdateControls();
    void UpdateFromPixelSize(double p);
    void OnKillFocusPixelSize();
    void OnKillFocusWidth();
    void OnKillFocusHeight();
    void OnKillFocusDpi();
    void OnKillFocusScale();
    void OnTargetSizeMode() { UpdateControls(); }
    void OnScaleMode() { UpdateControls(); }
    void OnPixelSizeMode() { UpdateControls(); }
    void OnOK();

    CEntzerrung& Transformation() { return m_entzerrung; }
    double Aspect() const { return m_aspect; }
    double ExtentX() const { return m_extentX; }

    // Set by the caller before DoModal.
    CDistortionCalibration* m_distortion = nullptr;
    int m_targetKoosys = -1;  // -1: the target takes the source's coordinate system
    const QStringList* m_names = nullptr;
    const std::vector<double>* m_imageX = nullptr;
    const std::vector<double>* m_imageY = nullptr;
    const std::vector<double>* m_refX = nullptr;
    const std::vector<double>* m_refY = nullptr;
    const std::vector<int>* m_use = nullptr;
    int m_activeValue = 1;

    // Bound to the fields.
    int m_sourceWidth = 0;
    int m_targetWidth = 0;
    int m_sourceHeight = 0;
    int m_targetHeight = 0;
    int m_sizeMode = 0;  // 0 pixel count, 1 scale and resolution, 2 pixel size
    int m_interpolate = 1;

private:
    void UpdateData(bool fromControls);
    // Value of a scale, dpi or pixel-size field; undefined or non-finite counts as 0.
    static double FieldValue(const CNumEdit* field);
    void SetSizeFromPixelSize(double p);
    // The target the rectification would create for pixel size p; false when it is below
    // 1 x 1 pixels or beyond the memory limit.
    bool TargetSizeFor(double p, int& width, int& height) const;
    bool Rectify(CTesseloDoc& source, CTesseloDoc& target, double p);
    // Runs the leave handler of the size field that has the focus, as leaving it would.
    void ApplyFieldInEdit();

    double m_aspect = 1.0;
    double m_extentX = 0.0;
    CRaster* m_sourceImage = nullptr;
    CRaster* m_targetImage = nullptr;
    QPointer<CTesseloDoc> m_sourceDoc;
    int m_adjusted = 0;

    CNumEdit* m_dpi;
    CNumEdit* m_scale;
    QLabel* m_escapeHint;
    CNumEdit* m_pixelSize;
    QLineEdit* m_heightEdit;
    QLineEdit* m_widthEdit;
    QLineEdit* m_sourceWidthEdit;
    QLineEdit* m_sourceHeightEdit;
    QProgressBar* m_progress;
    QPushButton* m_ok;
    // The size fields with the handler that runs when one is left.
    std::vector<std::pair<QLineEdit*, void (CErgebnisseAusgleichDlg::*)()>> m_sizeFields;
    CListCtrlEx* m_list;
    QButtonGroup* m_modes;
    QCheckBox* m_interpolateCheck;

    CEntzerrung m_entzerrung;
};
