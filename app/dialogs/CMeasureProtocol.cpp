#include "CMeasureProtocol.h"

#include <string>

#include "CNumberText.h"
#include "CPolygonCalc.h"
#include "QtStringLookup.h"
#include "TextFile.h"
#include "Utilities.h"

namespace {

constexpr const char* kCrLf = "\r\n";

bool Is3DSystem(int system) { return system == 0 || system == 1; }

// String ids of the column titles and of the protocol header per system.
int TitleId(int system) {
    static const int kIds[] = {10028, 10030, 10033, 10035, 10037};
    return kIds[system < 0 || system > 4 ? 2 : system];
}

int HeaderId(int system) {
    static const int kIds[] = {10029, 10031, 10032, 10034, 10036};
    return kIds[system < 0 || system > 4 ? 2 : system];
}

std::vector<double> RawValues(const CMeasuredPoint& p, int system) {
    switch (system) {
        case 0:
            return {p.e, p.n, p.h};
        case 1:
            return {p.n, p.e, p.h};
        case 4:
            return {p.b, p.a};
        default:
            return {p.a, p.b};
    }
}

}  // namespace

int CMeasureProtocol::DisplaySystem(int koosys, int choice3D) {
    return Is3DSystem(koosys) && choice3D == 0 ? 2 : koosys;
}

QString CMeasureProtocol::FormatNumber(double value, int decimals) {
    if (value == UNDEFINED_VALUE) return QStringLiteral("---");
    const std::string format = BuildNumberFormat("1.%if", decimals);
    return QString::fromStdString(CNumberText::Format(format.c_str(), value));
}

QStringList CMeasureProtocol::ColumnTitles(int system) {
    const QString titles = LoadQString(TitleId(system));
    QStringList result;
    for (int i = 0; i < 3; ++i)
        result << (Is3DSystem(system) || i < 2 ? GetListToken(titles, i) : QString());
    return result;
}

QStringList CMeasureProtocol::Values(const CMeasuredPoint& point, int system, int decimals) {
    QStringList result;
    for (double v : RawValues(point, system)) result << FormatNumber(v, decimals);
    return result;
}

QString CMeasureProtocol::Protocol(const std::vector<CMeasuredPoint>& points, int system,
                                   bool polygon, int decimals) {
    if (points.empty()) return QString();
    std::vector<std::string> names;
    std::vector<double> x, y, sides;
    for (const CMeasuredPoint& p : points) {
        names.push_back(p.name.toStdString());
        x.push_back(p.a);
        y.push_back(p.b);
    }
    const CPolygonCalc calc;
    double perimeter = UNDEFINED_VALUE;
    if (polygon) perimeter = calc.Perimeter(x, y, sides);

    QString rows;
    for (size_t i = 0; i < points.size(); ++i) {
        QString row = points[i].name.leftJustified(5);
        for (const QString& value : Values(points[i], system, decimals))
            row += QLatin1Char(' ') + value;
        // Side i exists only up to the first point that could not be transformed.
        if (polygon && i < sides.size())
            row += QStringLiteral("  ") + FormatNumber(sides[i], decimals);
        rows += row + QLatin1String(kCrLf);
    }
    QString protocol = LoadQString(HeaderId(system)) +
                       (polygon ? LoadQString(10038) : QString::fromLatin1(kCrLf)) + rows;
    if (polygon) {
        double area = UNDEFINED_VALUE;
        std::string message;
        const QString areaLine = calc.Area(names, x, y, area, message)
                                     ? LoadQString(10039) + FormatNumber(area, decimals)
                                     : LoadQString(10040) + QString::fromStdString(message);
        const QString perimeterLine = LoadQString(10041) + FormatNumber(perimeter, decimals);
        protocol = areaLine + QLatin1String(kCrLf) + perimeterLine + QLatin1String(kCrLf) +
                   QLatin1String(kCrLf) + protocol;
    }
    return protocol;
}

QString CMeasureProtocol::ExportLine(const CMeasuredPoint& point, int koosys, int decimals) {
    QString line = point.name;
    for (const QString& value : Values(point, koosys, decimals)) line += QLatin1Char(';') + value;
    return line;
}

bool CMeasureProtocol::WriteExportFile(const QString& path, const QString& header,
                                       const std::vector<CMeasuredPoint>& points, int koosys,
                                       int decimals, QString* error) {
    QString text;
    if (!points.empty()) {
        text = header + QLatin1Char('\n');
        for (const CMeasuredPoint& p : points)
            text += ExportLine(p, koosys, decimals) + QLatin1Char('\n');
    }
    return WriteTextFile(path, text, error) && !points.empty();
}
