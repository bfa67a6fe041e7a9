#pragma once
// CIdentpunkteDlg: the first dialog of the control-point route. It lists the document's control
// points with their image coordinates (pixels, x right, y down) and reference coordinates
// (metres, in the order of the coordinate system's axes), edits and imports the reference
// coordinates in place in the document's lists, switches points on and off and deletes them.
// "Weiter >>" runs the rest of the chain: distortion correction, then the plane fit (3D
// systems) or the adjustment results (2D systems). The dialog owns the lens-distortion
// correction object and lends it to the later steps when the correction is on.

#include <QString>
#include <QStringList>
#include <QStringView>
#include <vector>

#include "CDistortionCalibration.h"
#include "CModalDialog.h"

class QKeyEvent;
class QPushButton;
class CListCtrlEx;
class CNumEdit;
class CTesseloDoc;
class QLineEdit;

class CIdentpunkteDlg : public CModalDialog {
    Q_OBJECT
public:
    explicit CIdentpunkteDlg(QWidget* parent = nullptr);

    // Points every list and setting pointer at the document's fields.
    void SetDocument(CTesseloDoc& doc);

    // The distortion step of the chain on the document's points and the dialog's correction
    // object: QDialog::Accepted to go on, QDialog::Rejected for "<< Zurück".
    static int RunNextStep(CTesseloDoc& doc, CDistortionCalibration& calibration, QWidget* parent);

    bool OnInitDialog() override;
    void FillList(int select);
    void UpdateControls();
    void EditPoint(int row);
    void OnApply();
    void OnCancelEdit();
    void OnDblClkList();
    void OnRClickList(const QPoint& position);
    void ShowPopup(const QPoint& globalPosition);
    void OnPointOn();
    void OnPointOff();
    void OnPointEdit();
    void OnPointDelete();
    void OnEditAll();
    void OnHelp();
    void OnCoordinateSystem();
    void OnImportAscii();
    void ImportAscii(const QString& path);
    void OnOK();
    // Enter and Escape in edit mode apply or leave the edit; true when the key was used.
    bool PreTranslateMessage(QKeyEvent* event);

    // Splits the text before the first blank or TAB off the line into token; the rest,
    // without its leading blanks, TABs and line breaks, stays in line. False for an empty line.
    // Both are views into the line's text.
    static bool NextToken(QStringView& line, QStringView& token);

    CDistortionCalibration& Calibration() { return m_calibration; }
    int EditMode() const { return m_editMode; }
    int EditRow() const { return m_editRow; }
    const std::vector<double>& CorrectedX() const { return m_correctedX; }
    const std::vector<double>& CorrectedY() const { return m_correctedY; }

    // The document's lists and settings, set by the caller.
    QStringList* m_names = nullptr;
    std::vector<double>* m_x = nullptr;
    std::vector<double>* m_y = nullptr;
    std::vector<double>* m_r2 = nullptr;
    std::vector<double>* m_r1 = nullptr;
    std::vector<double>* m_r3 = nullptr;
    std::vector<int>* m_use2D = nullptr;
    std::vector<int>* m_use3D = nullptr;
    int* m_is3D = nullptr;
    int* m_koosys = nullptr;
    int* m_decimals = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The reference array that shows as value 0, 1 or 2 of the current coordinate system.
    std::vector<double>* ValueArray(int value) const;
    void ChooseActiveFlags();
    void ApplyDecimals();
    int PointCount() const;
    void SetActiveFlag(int value);

    CDistortionCalibration m_calibration;
    std::vector<double> m_correctedX, m_correctedY;
    std::vector<int>* m_active = nullptr;

    CNumEdit* m_value3;
    CNumEdit* m_value2;
    CNumEdit* m_value1;
    QPushButton* m_import;
    QPushButton* m_editAll;
    CNumEdit* m_imageY;
    CNumEdit* m_imageX;
    QLineEdit* m_name;
    QPushButton* m_apply;
    QPushButton* m_cancelEdit;
    QPushButton* m_ok;
    QPushButton* m_cancel;
    CListCtrlEx* m_list;

    int m_editMode = 0;
    int m_editAllMode = 0;
    int m_editRow = -1;
};
