#pragma once
// CErgebnisseEbeneDlg: fits the object plane through the 3D reference points switched on for
// 3D, stores it in the active document, lists every point's plane coordinates (metres) and its
// normal distance (centimetres), and hands the plane coordinates to the adjustment results.
//
// The fit works on 3-vectors in the order (R2, R1, R3), "up" being (0, 0, 1); the document's
// plane (origin S, axes A, B) is in the order (R1, R2, R3). A point P = S + u A + v B + w N
// gets the plane coordinates X2e = -u, Z2e = v. B points upwards (north on a horizontal plane);
// A is horizontal, turned so that (X2e, Z2e) have the handedness of the photograph.

#include <QStringList>
#include <vector>

#include "CModalDialog.h"

class QPushButton;
class CDistortionCalibration;
class CListCtrlEx;

// c = a × b; returns |c|.
double CrossProduct(const double* a, const double* b, double* c);

class CErgebnisseEbeneDlg : public CModalDialog {
    Q_OBJECT
public:
    explicit CErgebnisseEbeneDlg(QWidget* parent = nullptr);

    bool OnInitDialog() override;
    int ComputePlane();
    void OnRClickList(const QPoint& position);
    void ShowPopup(const QPoint& globalPosition);
    void OnPointOn();
    void OnPointOff();
    void OnOK();

    // Divides v by its length; false (v unchanged) for a zero or non-finite length.
    static bool Normalize(double* v);
    // Solves P - S = u A + v B + w N (A, B normalised, N = A × B normalised); returns w, or the
    // undefined value when A and B span no plane.
    static double ToPlaneCoordinates(const double* s, const double* a, const double* b,
                                     const double* p, double& u, double& v, double* foot);
    // Indexes of the three points spanning the largest triangle; false (after message 10020)
    // when all points lie on a line.
    static bool FindStartTriangle(const std::vector<double>& l1, const std::vector<double>& l2,
                                  const std::vector<double>& l3, int& i, int& j, int& k);
    static void Centroid(const std::vector<double>& l1, const std::vector<double>& l2,
                         const std::vector<double>& l3, double* s);
    // Least-squares plane with conditions; false when no plane can be fitted (a message has
    // been shown where the user can act on it).
    static bool FitPlane(const std::vector<double>& l1, const std::vector<double>& l2,
                         const std::vector<double>& l3, double* s, double* a, double* b);

    const std::vector<double>& X2e() const { return m_x2e; }
    const std::vector<double>& Z2e() const { return m_z2e; }
    int PlaneComputed() const { return m_computed; }

    // Set by the caller before DoModal.
    CDistortionCalibration* m_distortion = nullptr;
    const QStringList* m_names = nullptr;
    const std::vector<double>* m_x = nullptr;
    const std::vector<double>* m_y = nullptr;
    const std::vector<double>* m_r1 = nullptr;
    const std::vector<double>* m_r2 = nullptr;
    const std::vector<double>* m_r3 = nullptr;
    std::vector<int>* m_use3D = nullptr;
    std::vector<int>* m_use2D = nullptr;

private:
    void SetFlag(int value);
    // Whether the plane coordinates (X2e, Z2e) of the points switched on for 3D, with the axes
    // A and B (fit order), run the other way round than their image points (x to the right,
    // y downwards; X2e to the right, Z2e upwards).
    bool MirroredAgainstImage(const double* s, const double* a, const double* b) const;

    int m_computed = 0;
    std::vector<double> m_x2e, m_z2e;
    QPushButton* m_ok;
    CListCtrlEx* m_list;
};
