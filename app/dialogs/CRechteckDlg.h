#pragma once
// CRechteckDlg: the rectangle route. It labels the four measured corners (image pixels, x
// right, y down) "LU", "LO", "RO", "RU", takes the rectangle's width and height in metres and a
// 2D coordinate system for the target, and hands the corners with the reference coordinates
// (0, 0), (0, height), (width, height), (width, 0) to the adjustment results.

#include <QStringList>
#include <vector>

#include "CModalDialog.h"

class CKoosysComboBox;
class CListCtrlEx;
class CNumEdit;

class CRechteckDlg : public CModalDialog {
    Q_OBJECT
public:
    explicit CRechteckDlg(QWidget* parent = nullptr);

    bool OnInitDialog() override;
    void LabelCorners();
    void FillList();
    void OnOK();
    void OnCancel();
    void OnDeleteRectangle();
    // Cancelling stores the typed width and height into the document first.
    void reject() override;

    // i brought into 0 .. n-1 by adding or subtracting n.
    static int WrapIndex(int i, int n);

    const QStringList& Labels() const { return m_labels; }
    const std::vector<double>& RefX() const { return m_refX; }
    const std::vector<double>& RefY() const { return m_refY; }
    int StartCorner() const { return m_start; }
    int Orientation() const { return m_orientation; }

    // The document's fields, set by the caller.
    int* m_is3D = nullptr;
    double* m_width = nullptr;
    double* m_height = nullptr;
    std::vector<double>* m_cornerX = nullptr;
    std::vector<double>* m_cornerY = nullptr;

private:
    CKoosysComboBox* m_koosys;
    CNumEdit* m_heightEdit;
    CNumEdit* m_widthEdit;
    CListCtrlEx* m_list;

    QStringList m_labels;
    std::vector<double> m_refX, m_refY;
    std::vector<int> m_use;
    int m_start = 0;
    int m_orientation = 1;
};
