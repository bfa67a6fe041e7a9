#pragma once
// The document's point lists: structures of parallel arrays, one index per point. Additions,
// deletions and imports touch every array at the same index, so all arrays of a list always
// have the same length. Image positions are pixels, x to the right and y downwards.

#include <QString>
#include <QStringList>
#include <vector>

// Control points of a source document. In 3D coordinate systems R1, R2, R3 are east, north and
// height; in 2D systems R1 is 0 and R2, R3 are the system's first and second axis (metres).
struct CControlPointList {
    QStringList names;
    std::vector<double> x, y;
    std::vector<double> r1, r2, r3;
    std::vector<int> use2D, use3D;  // 1 = the point takes part in that route

    int Size() const { return static_cast<int>(names.size()); }
    // Index of the first point with exactly this name, or -1.
    int IndexOf(const QString& name) const { return static_cast<int>(names.indexOf(name)); }
    void Append(const QString& name, double px, double py, double v1 = 0.0, double v2 = 0.0,
                double v3 = 0.0, int in2D = 1, int in3D = 1) {
        names.append(name);
        x.push_back(px);
        y.push_back(py);
        r1.push_back(v1);
        r2.push_back(v2);
        r3.push_back(v3);
        use2D.push_back(in2D);
        use3D.push_back(in3D);
    }
    void RemoveAt(int i) {
        if (i < 0 || i >= Size()) return;
        names.removeAt(i);
        x.erase(x.begin() + i);
        y.erase(y.begin() + i);
        r1.erase(r1.begin() + i);
        r2.erase(r2.begin() + i);
        r3.erase(r3.begin() + i);
        use2D.erase(use2D.begin() + i);
        use3D.erase(use3D.begin() + i);
    }
    void Clear() { *this = CControlPointList(); }
};

// Corners of the measured rectangle (at most four), in image pixels.
struct CCornerList {
    std::vector<double> x, y;

    int Size() const { return static_cast<int>(x.size()); }
    void Append(double px, double py) {
        x.push_back(px);
        y.push_back(py);
    }
    void Clear() { *this = CCornerList(); }
};

// Points measured in a target document; never stored in files.
struct CMeasurePointList {
    QStringList names;
    std::vector<double> x, y;

    int Size() const { return static_cast<int>(names.size()); }
    int IndexOf(const QString& name) const { return static_cast<int>(names.indexOf(name)); }
    void Append(const QString& name, double px, double py) {
        names.append(name);
        x.push_back(px);
        y.push_back(py);
    }
    void RemoveAt(int i) {
        if (i < 0 || i >= Size()) return;
        names.removeAt(i);
        x.erase(x.begin() + i);
        y.erase(y.begin() + i);
    }
    void Clear() { *this = CMeasurePointList(); }
};
