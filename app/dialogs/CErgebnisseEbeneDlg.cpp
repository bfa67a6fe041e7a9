#include "CErgebnisseEbeneDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "CErgebnisseAusgleichDlg.h"
#include "CGMatrix.h"
#include "CTesseloApp.h"
#include "CTesseloDoc.h"
#include "ChainSupport.h"
#include "QtStringLookup.h"
#include "Undefined.h"
#include "UserInterface.h"
#include "Utilities.h"
#include "controls/CListCtrlEx.h"

namespace {

constexpr int kPointOn = 32777;
constexpr int kPointOff = 32778;
constexpr int kMaxPasses = 50;
// Largest horizontal part of a unit normal that still counts as a horizontal plane.
constexpr double kHorizontal = 1e-9;

bool Finite3(const double* v) {
    return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]);
}

double Length(const double* v) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); }

}  // namespace

double CrossProduct(const double* a, const double* b, double* c) {
    c[0] = a[1] * b[2] - a[2] * b[1];
    c[1] = a[2] * b[0] - a[0] * b[2];
    c[2] = a[0] * b[1] - a[1] * b[0];
    return Length(c);
}

CErgebnisseEbeneDlg::CErgebnisseEbeneDlg(QWidget* parent)
    : CModalDialog(parent),
      m_ok(new QPushButton(tr("Weiter >>"), this)),
      m_list(new CListCtrlEx(this)) {
    setObjectName(QStringLiteral("144"));
    setWindowTitle(tr("Ergebnisse Berechnung der Ebene"));
    m_ok->setObjectName(QStringLiteral("1"));
    m_ok->setDefault(true);
    m_list->setObjectName(QStringLiteral("1012"));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setMinimumSize(520, 240);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    auto* cancel = new QPushButton(tr("<< Zurück"), this);
    cancel->setObjectName(QStringLiteral("2"));
    cancel->setAutoDefault(false);
    auto* coordinates = new QLabel(tr("2D-Koordinaten [m]"), this);
    coordinates->setObjectName(QStringLiteral("coordinatesLabel"));
    auto* distance = new QLabel(tr("Normalabstand [cm]"), this);
    distance->setObjectName(QStringLiteral("distanceLabel"));

    auto* labels = new QHBoxLayout;
    labels->addSpacing(110);
    labels->addWidget(coordinates);
    labels->addStretch(1);
    labels->addWidget(distance);
    labels->addSpacing(60);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cancel);
    buttons->addWidget(m_ok);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(labels);
    layout->addWidget(m_list);
    layout->addLayout(buttons);
    SetTabChain({m_list, m_ok, cancel});

    connect(m_list, &QWidget::customContextMenuRequested, this, &CErgebnisseEbeneDlg::OnRClickList);
    connect(m_ok, &QPushButton::clicked, this, &CErgebnisseEbeneDlg::OnOK);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

bool CErgebnisseEbeneDlg::OnInitDialog() {
    if (!m_names || !m_x || !m_y || !m_r1 || !m_r2 || !m_r3 || !m_use3D || !m_use2D) return false;
    // The list's columns are sized from its width, which it has before the dialog shows.
    m_list->resize(m_list->minimumSize());
    m_list->SetImageList(chain::PointMarkImages());
    const QString headings = LoadQString(10018);
    const int widths[] = {20, 20, 20, 25, 10};
    for (int c = 0; c < 5; ++c)
        m_list->InsertColumnPercent(GetListToken(headings, c), c, widths[c]);
    m_computed = ComputePlane();
    if (!m_computed) return false;
    m_ok->setEnabled(true);
    chain::PostWorkflowStep(5);
    return true;
}

bool CErgebnisseEbeneDlg::Normalize(double* v) {
    const double length = Length(v);
    if (!(length > 0.0) || !std::isfinite(length)) return false;
    for (int k = 0; k < 3; ++k) v[k] /= length;
    return true;
}

double CErgebnisseEbeneDlg::ToPlaneCoordinates(const double* s, const double* a, const double* b,
                                               const double* p, double& u, double& v,
                                               double* foot) {
    double an[3] = {a[0], a[1], a[2]}, bn[3] = {b[0], b[1], b[2]}, n[3];
    if (!Normalize(an) || !Normalize(bn)) return UNDEFINED_VALUE;
    CrossProduct(an, bn, n);
    if (!Normalize(n)) return UNDEFINED_VALUE;
    CGMatrix m(3, 3);
    for (int r = 0; r < 3; ++r) {
        m.SetAt(r + 1, 1, an[r]);
        m.SetAt(r + 1, 2, bn[r]);
        m.SetAt(r + 1, 3, n[r]);
    }
    m.Invert();
    if (m.GetDeterminant() == 0.0) return UNDEFINED_VALUE;
    double x[3];
    for (int r = 0; r < 3; ++r) {
        x[r] = 0.0;
        for (int c = 0; c < 3; ++c) x[r] += m.GetAt(r + 1, c + 1) * (p[c] - s[c]);
    }
    u = x[0];
    v = x[1];
    if (foot)
        for (int k = 0; k < 3; ++k) foot[k] = s[k] + u * an[k] + v * bn[k];
    return x[2];
}

bool CErgebnisseEbeneDlg::FindStartTriangle(const std::vector<double>& l1,
                                            const std::vector<double>& l2,
                                            const std::vector<double>& l3, int& i, int& j, int& k) {
    const int n = int(std::min({l1.size(), l2.size(), l3.size()}));
    double best = 0.0;
    for (int a = 0; a + 2 < n; ++a)
        for (int b = a + 1; b + 1 < n; ++b)
            for (int c = b + 1; c < n; ++c) {
                const double ac[3] = {l1[c] - l1[a], l2[c] - l2[a], l3[c] - l3[a]};
                const double ab[3] = {l1[b] - l1[a], l2[b] - l2[a], l3[b] - l3[a]};
                double cross[3];
                const double area = CrossProduct(ac, ab, cross);
                if (area > best) {
                    best = area;
                    i = a;
                    j = b;
                    k = c;
                }
            }
    if (best > 0.0 && std::isfinite(best)) return true;
    ui::MessageId(10020);
    return false;
}

void CErgebnisseEbeneDlg::Centroid(const std::vector<double>& l1, const std::vector<double>& l2,
                                   const std::vector<double>& l3, double* s) {
    const size_t n = std::min({l1.size(), l2.size(), l3.size()});
    s[0] = s[1] = s[2] = 0.0;
    for (size_t i = 0; i < n; ++i) {
        s[0] += l1[i];
        s[1] += l2[i];
        s[2] += l3[i];
    }
    if (n)
        for (int k = 0; k < 3; ++k) s[k] /= double(n);
}

bool CErgebnisseEbeneDlg::FitPlane(const std::vector<double>& l1, const std::vector<double>& l2,
                                   const std::vector<double>& l3, double* s, double* a, double* b) {
    int ti = 0, tj = 0, tk = 0;
    if (!FindStartTriangle(l1, l2, l3, ti, tj, tk)) return false;
    const int n = int(std::min({l1.size(), l2.size(), l3.size()}));
    auto point = [&](int i, double* p) {
        p[0] = l1[size_t(i)];
        p[1] = l2[size_t(i)];
        p[2] = l3[size_t(i)];
    };
    Centroid(l1, l2, l3, s);
    double pi[3], pj[3], pk[3], e[3], m[3];
    point(ti, pi);
    point(tj, pj);
    point(tk, pk);
    for (int c = 0; c < 3; ++c) {
        a[c] = pj[c] - pi[c];
        e[c] = pk[c] - pi[c];
    }
    // Failures past the start triangle are numeric: the plane cannot be fitted.
    auto fail = [] {
        ui::MessageId(10020);
        return false;
    };
    if (!Normalize(a) || !Normalize(e)) return fail();
    CrossProduct(a, e, m);
    if (!Normalize(m)) return fail();
    CrossProduct(a, m, b);
    if (!Normalize(b)) return fail();

    std::vector<double> u(static_cast<size_t>(n)), v(static_cast<size_t>(n));
    const int unknowns = 2 * n + 9;
    double measure = 1.0;
    for (int pass = 1; measure > 0.01 && pass < kMaxPasses; ++pass) {
        if (pass == 1) {
            for (int i = 0; i < n; ++i) {
                double p[3];
                point(i, p);
                if (IsUndefined(
                        ToPlaneCoordinates(s, a, b, p, u[size_t(i)], v[size_t(i)], nullptr)))
                    return false;
            }
        }
        CGMatrix t(3 * n, 1);
        CGMatrix l(3 * n, unknowns);
        for (int i = 0; i < n; ++i) {
            double p[3];
            point(i, p);
            for (int c = 0; c < 3; ++c) {
                const int row = 3 * i + c + 1;
                t.SetAt(row, 1, p[c] - (s[c] + u[size_t(i)] * a[c] + v[size_t(i)] * b[c]));
                l.SetAt(row, c + 1, 1.0);
                l.SetAt(row, c + 4, u[size_t(i)]);
                l.SetAt(row, c + 7, v[size_t(i)]);
                l.SetAt(row, 2 * i + 10, a[c]);
                l.SetAt(row, 2 * i + 11, b[c]);
            }
        }
        CGMatrix conditions(6, unknowns);
        for (int c = 0; c < 3; ++c) {
            conditions.SetAt(1, c + 4, a[c]);
            conditions.SetAt(2, c + 7, b[c]);
            conditions.SetAt(3, c + 4, 1.0);
            conditions.SetAt(4, c + 4, b[c]);
            conditions.SetAt(4, c + 7, a[c]);
            conditions.SetAt(5, c + 1, a[c]);
            conditions.SetAt(6, c + 1, b[c]);
        }
        CGMatrix lt(l);
        lt.Transpose();
        CGMatrix normal;
        normal.Multiply(lt, l);
        if (!normal.Border(conditions)) return fail();
        normal.Invert();
        if (normal.GetDeterminant() == 0.0) return fail();
        CGMatrix rhs;
        rhs.Multiply(lt, t);
        CGMatrix rhsBordered(unknowns + 6, 1);
        for (int r = 1; r <= unknowns; ++r) rhsBordered.SetAt(r, 1, rhs.GetAt(r, 1));
        CGMatrix x;
        x.Multiply(normal, rhsBordered);

        for (int c = 0; c < 3; ++c) {
            s[c] += x.GetAt(c + 1, 1);
            a[c] += x.GetAt(c + 4, 1);
            b[c] += x.GetAt(c + 7, 1);
        }
        for (int i = 0; i < n; ++i) {
            u[size_t(i)] += x.GetAt(2 * i + 10, 1);
            v[size_t(i)] += x.GetAt(2 * i + 11, 1);
        }
        if (!Finite3(s) || !Finite3(a) || !Finite3(b)) return fail();

        CGMatrix xs(unknowns, 1);
        for (int r = 1; r <= unknowns; ++r) xs.SetAt(r, 1, x.GetAt(r, 1));
        CGMatrix residuals;
        residuals.Multiply(l, xs);
        residuals -= t;
        double sumR = 0.0, sumT = 0.0;
        for (int r = 1; r <= 3 * n; ++r) {
            sumR += residuals.GetAt(r, 1) * residuals.GetAt(r, 1);
            sumT += t.GetAt(r, 1) * t.GetAt(r, 1);
        }
        if (!std::isfinite(sumR) || !std::isfinite(sumT)) return fail();
        measure = sumR < 1e-15 ? 0.0 : std::fabs(sumR - sumT) / sumR;
    }
    return true;
}

int CErgebnisseEbeneDlg::ComputePlane() {
    std::vector<double> l1, l2, l3;
    const size_t n = std::min({size_t(m_names->size()), m_x->size(), m_y->size(), m_r1->size(),
                               m_r2->size(), m_r3->size(), m_use3D->size(), m_use2D->size()});
    for (size_t i = 0; i < n; ++i) {
        if ((*m_use3D)[i] != 1) continue;
        l1.push_back((*m_r2)[i]);
        l2.push_back((*m_r1)[i]);
        l3.push_back((*m_r3)[i]);
    }
    if (l1.size() < 3) {
        ui::MessageId(10019);
        return 0;
    }
    m_list->DeleteAllItems();
    double s[3], a[3], b[3];
    if (!FitPlane(l1, l2, l3, s, a, b)) return 0;

    double normal[3], axisA[3], axisB[3];
    const double normalLength = CrossProduct(a, b, normal);
    // A normal that is vertical up to rounding noise is horizontal: the noise would otherwise
    // choose the plane's axes.
    if (std::hypot(normal[0], normal[1]) > kHorizontal * normalLength) {
        const double up[3] = {0.0, 0.0, 1.0};
        CrossProduct(normal, up, axisA);
        const bool okA = Normalize(axisA);
        CrossProduct(axisA, normal, axisB);
        if (!okA || !Normalize(axisB)) {
            ui::MessageId(10020);
            return 0;
        }
    } else {
        axisA[0] = 0.0, axisA[1] = 1.0, axisA[2] = 0.0;
        axisB[0] = 1.0, axisB[1] = 0.0, axisB[2] = 0.0;
    }

    // The axes above turn with the order the points were measured in, and a horizontal plane
    // always shows east on the left. Reversing A (B stays upwards) gives the target the
    // photograph's handedness, so that it never shows the object mirrored.
    if (MirroredAgainstImage(s, axisA, axisB))
        for (double& c : axisA) c = -c;

    CTesseloDoc* doc = GetActiveDocument();
    if (!doc) return 0;
    const double* vectors[3] = {s, axisA, axisB};
    for (int k = 0; k < 3; ++k) {
        doc->m_plane[3 * k] = vectors[k][1];
        doc->m_plane[3 * k + 1] = vectors[k][0];
        doc->m_plane[3 * k + 2] = vectors[k][2];
    }

    m_x2e.assign(n, 0.0);
    m_z2e.assign(n, 0.0);
    for (size_t i = 0; i < n; ++i) {
        const double p[3] = {(*m_r2)[i], (*m_r1)[i], (*m_r3)[i]};
        double u = 0.0, v = 0.0;
        const double w = ToPlaneCoordinates(s, axisA, axisB, p, u, v, nullptr);
        if (IsUndefined(w) || !std::isfinite(u) || !std::isfinite(v)) {
            ui::MessageId(10020);
            return 0;
        }
        m_x2e[i] = -u;
        m_z2e[i] = v;
        const int row = int(i);
        m_list->SetItemTextEx(m_names->at(row), row, 0, false, (*m_use2D)[i] ? 1 : 0);
        m_list->SetItemTextEx(chain::FormatNumber("-9.%if", doc->m_decimals, -u), row, 1);
        m_list->SetItemTextEx(chain::FormatNumber("-9.%if", doc->m_decimals, v), row, 2);
        m_list->SetItemTextEx(chain::FormatNumber("-9.%if", doc->m_decimals, w * 100.0), row, 3);
        m_list->SetItemTextEx((*m_use3D)[i] == 1 ? tr("JA") : QString(), row, 4);
    }
    return 1;
}

bool CErgebnisseEbeneDlg::MirroredAgainstImage(const double* s, const double* a,
                                               const double* b) const {
    // The sign of the determinant of the cross-covariance between the image points (x, -y) and
    // their plane coordinates (X2e, Z2e) = (-u, v) is that of a least-squares affine mapping
    // between them: negative when one runs clockwise where the other runs counter-clockwise.
    std::vector<double> px, py, qx, qy;
    const size_t n = std::min(
        {m_x->size(), m_y->size(), m_r1->size(), m_r2->size(), m_r3->size(), m_use3D->size()});
    for (size_t i = 0; i < n; ++i) {
        if ((*m_use3D)[i] != 1) continue;
        const double p[3] = {(*m_r2)[i], (*m_r1)[i], (*m_r3)[i]};
        double u = 0.0, v = 0.0;
        if (IsUndefined(ToPlaneCoordinates(s, a, b, p, u, v, nullptr))) return false;
        px.push_back((*m_x)[i]);
        py.push_back(-(*m_y)[i]);
        qx.push_back(-u);
        qy.push_back(v);
    }
    const auto mean = [](const std::vector<double>& values) {
        double sum = 0.0;
        for (double value : values) sum += value;
        return values.empty() ? 0.0 : sum / double(values.size());
    };
    const double mpx = mean(px), mpy = mean(py), mqx = mean(qx), mqy = mean(qy);
    double m11 = 0.0, m12 = 0.0, m21 = 0.0, m22 = 0.0;
    for (size_t i = 0; i < px.size(); ++i) {
        m11 += (px[i] - mpx) * (qx[i] - mqx);
        m12 += (px[i] - mpx) * (qy[i] - mqy);
        m21 += (py[i] - mpy) * (qx[i] - mqx);
        m22 += (py[i] - mpy) * (qy[i] - mqy);
    }
    // Image points without extent (never measured) leave the determinant 0: nothing to follow.
    return m11 * m22 - m12 * m21 < 0.0;
}

void CErgebnisseEbeneDlg::OnRClickList(const QPoint& position) {
    const int row = m_list->GetFirstSelected();
    if (row < 0) return;
    const QTableWidgetItem* item = m_list->itemAt(position);
    if (!item || item->row() != row) return;
    ShowPopup(m_list->viewport()->mapToGlobal(position));
}

void CErgebnisseEbeneDlg::ShowPopup(const QPoint& globalPosition) {
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("146"));
    QAction* on = menu.addAction(tr("Ein"));
    on->setObjectName(QString::number(kPointOn));
    QAction* off = menu.addAction(tr("Aus"));
    off->setObjectName(QString::number(kPointOff));
    connect(on, &QAction::triggered, this, &CErgebnisseEbeneDlg::OnPointOn);
    connect(off, &QAction::triggered, this, &CErgebnisseEbeneDlg::OnPointOff);
    menu.exec(globalPosition);
}

void CErgebnisseEbeneDlg::SetFlag(int value) {
    const int row = m_list->GetFirstSelected();
    if (row < 0 || size_t(row) >= m_use2D->size()) return;
    m_list->SetItemImage(row, value);
    (*m_use2D)[size_t(row)] = value;
}

void CErgebnisseEbeneDlg::OnPointOn() { SetFlag(1); }

void CErgebnisseEbeneDlg::OnPointOff() { SetFlag(0); }

void CErgebnisseEbeneDlg::OnOK() {
    CErgebnisseAusgleichDlg dialog(this);
    dialog.m_names = m_names;
    dialog.m_imageX = m_x;
    dialog.m_imageY = m_y;
    dialog.m_refX = &m_x2e;
    dialog.m_refY = &m_z2e;
    dialog.m_use = m_use2D;
    dialog.m_activeValue = 1;
    dialog.m_distortion = m_distortion;
    if (dialog.DoModal() != QDialog::Accepted) {
        chain::PostWorkflowStep(5);
        return;
    }
    accept();
}
