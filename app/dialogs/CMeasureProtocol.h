#pragma once
// CMeasureProtocol: the texts of a measurement in a target image, built from the reference
// coordinates of the measured points: the list columns, the measurement protocol (fixed-width
// rows, with area, perimeter and side lengths for a polygon; lines end with CR LF) and the
// coordinate export file (a header line, then "name;v1;v2[;v3]" per point, CR LF, Windows-1252).
//
// Coordinates are metres. (a, b) are a point's 2D target coordinates, (e, n, h) its 3D
// coordinates on the object plane. Every number is printed with "%1.<decimals>f"; an
// undefined value (a point that cannot be transformed) is printed as "---".
// Coordinate systems: 0 east, north, height; 1 north, east, height; 2 right, up; 3 east,
// north; 4 north, east.

#include <QString>
#include <QStringList>
#include <vector>

#include "Undefined.h"

struct CMeasuredPoint {
    QString name;
    double a = UNDEFINED_VALUE, b = UNDEFINED_VALUE;
    double e = UNDEFINED_VALUE, n = UNDEFINED_VALUE, h = UNDEFINED_VALUE;
};

class CMeasureProtocol {
public:
    // The system shown for a document's system and the 2D/3D choice (0 2D, 1 3D): a 3D system
    // seen in 2D shows system 2.
    static int DisplaySystem(int koosys, int choice3D);
    // A number with the decimals ("%1.nf", decimals limited to 0..6), "---" when undefined.
    static QString FormatNumber(double value, int decimals);
    // The three titles of the value columns; the third is empty in the 2D systems.
    static QStringList ColumnTitles(int system);
    // The values of a point in the order of the system's axes, formatted (two or three).
    static QStringList Values(const CMeasuredPoint& point, int system, int decimals);

    // The measurement protocol of the points in list order; empty for no points. With polygon
    // the area and perimeter lead and each row ends with the length of the side to the next
    // point (the last row: the closing side).
    static QString Protocol(const std::vector<CMeasuredPoint>& points, int system, bool polygon,
                            int decimals);

    // One line of the export file, without its line end.
    static QString ExportLine(const CMeasuredPoint& point, int koosys, int decimals);
    // Replaces the file with the header line and one line per point. False with the reason in
    // *error, and the old file kept, when the file cannot be written; also false, with the
    // file left empty, when there are no points.
    static bool WriteExportFile(const QString& path, const QString& header,
                                const std::vector<CMeasuredPoint>& points, int koosys, int decimals,
                                QString* error);
};
