#pragma once
// CKoordinatenDlg: the points measured in a target document with their reference coordinates,
// the measurement protocol (with area, perimeter and side lengths when the first view has the
// points/area tool), the protocol to the clipboard, deleting and reordering points, and the
// coordinate export file. Works on the document's measurement point list in place.

#include <QString>
#include <vector>

#include "CModalDialog.h"
#include "dialogs/CMeasureProtocol.h"

class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class CListCtrlEx;
class CTesseloDoc;

class CKoordinatenDlg : public CModalDialog {
    Q_OBJECT
public:
    explicit CKoordinatenDlg(QWidget* parent = nullptr);

    // The reference coordinates of the document's measurement points in list order; a value
    // that cannot be computed (no extent, a 2D target, no object plane) stays undefined and is
    // shown as "---".
    static std::vector<CMeasuredPoint> MeasuredPoints(const CTesseloDoc& doc);
    // The default export file name of a document title: the title without the target prefix of
    // the interface language, folder and extension, with ".dat"; "*.dat" when nothing is left.
    static QString DefaultExportName(const QString& title);

    bool OnInitDialog() override;
    // Rebuilds the list columns and rows and the protocol.
    void FillList();
    void UpdateButtons();
    void OnDelete();
    void OnMoveUp();
    void OnMoveDown();
    void OnDeleteAll();
    void OnExport();
    void OnCopy();

    CTesseloDoc* m_doc = nullptr;  // set by the caller
    QString m_protocol;
    int m_choice3D = 0;  // 0 "2D", 1 "3D"

private:
    void UpdateData(bool fromControls);
    bool IsPolygon() const;
    void InvalidateView() const;
    void MovePoint(int row, int to);

    QPushButton* m_delete;
    QPushButton* m_down;
    QPushButton* m_up;
    QPlainTextEdit* m_protocolEdit;
    QRadioButton* m_radio2D;
    QRadioButton* m_radio3D;
    CListCtrlEx* m_list;
};
