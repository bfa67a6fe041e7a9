// The document's files: the parameter file body and its commands, the world file, the
// georeferencing file ".vexo", the CAD reference file ".acadref" and the CAD placement texts.

#include <QDialog>
#include <QFile>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "CArchive.h"
#include "CArchiveException.h"
#include "CMainFrame.h"
#include "CNumberText.h"
#include "CPostedEvents.h"
#include "CTesseloApp.h"
#include "CTesseloDoc.h"
#include "CTesseloView.h"
#include "CommandIds.h"
#include "DocumentPaths.h"
#include "QtStringLookup.h"
#include "TextFile.h"
#include "UserInterface.h"
#include "dialogs/CMyFileDialog.h"

namespace {

constexpr int32_t kParameterVersion = 3;
constexpr const char* kParameterFilter = "Parameter (*.par)|*.par|All Files (*.*)|*.*||";

// The framework's texts for a document file that cannot be opened or has a damaged body.
constexpr int kFailedToOpenDocument = 61697;
constexpr int kUnexpectedFileFormat = 61728;
constexpr int kFileNameInvalid = 10066;
constexpr int kSaveFailed = 10122;
constexpr int kSideFileWritten = 10070;
constexpr int kSideFileFailed = 10071;
constexpr int kGeoRefHeading = 10072;

[[noreturn]] void Damaged(const char* what) {
    throw CArchiveException(CArchiveException::Cause::BadFormat, what);
}

int32_t ReadInRange(CArchive& ar, int32_t lowest, int32_t highest) {
    const int32_t value = ar.ReadInt32();
    if (value < lowest || value > highest) Damaged("parameter file: value out of range");
    return value;
}

double ReadFinite(CArchive& ar) {
    const double value = ar.ReadDouble();
    if (!std::isfinite(value)) Damaged("parameter file: not a number");
    return value;
}

std::vector<int> ReadIntArray(CArchive& ar) {
    std::vector<int> values(ar.ReadCount(sizeof(int32_t)));
    for (int& v : values) v = ar.ReadInt32();
    return values;
}

// The least a control point takes in the file: its name's length byte, five doubles and two
// ints in the arrays after the names, which must all be as long as the names.
constexpr size_t kPointBytes = 1 + 5 * sizeof(double) + 2 * sizeof(int32_t);

// The control point arrays in file order: names, image x, y, R1, R2, R3, use 2D, use 3D.
// A name count the rest of the file cannot hold is refused before any name is built, so that
// a damaged file costs no more memory than a small multiple of its size.
CControlPointList ReadControlPoints(CArchive& ar) {
    CControlPointList points;
    const uint32_t count = ar.ReadCount(kPointBytes);
    points.names.reserve(count);
    for (uint32_t i = 0; i < count; ++i)
        points.names.append(QString::fromStdString(ar.ReadString()));
    points.x = ar.ReadDoubleArray();
    points.y = ar.ReadDoubleArray();
    points.r1 = ar.ReadDoubleArray();
    points.r2 = ar.ReadDoubleArray();
    points.r3 = ar.ReadDoubleArray();
    points.use2D = ReadIntArray(ar);
    points.use3D = ReadIntArray(ar);
    const size_t n = size_t(points.names.size());
    for (size_t size : {points.x.size(), points.y.size(), points.r1.size(), points.r2.size(),
                        points.r3.size(), points.use2D.size(), points.use3D.size()})
        if (size != n) Damaged("parameter file: point lists of different lengths");
    return points;
}

CCornerList ReadCorners(CArchive& ar) {
    CCornerList corners;
    corners.x = ar.ReadDoubleArray();
    corners.y = ar.ReadDoubleArray();
    if (corners.x.size() != corners.y.size() || corners.x.size() > 4)
        Damaged("parameter file: bad rectangle corners");
    return corners;
}

// The image file's name as the side files name it: title, ".", extension.
QString SideFileImageName(const QString& imagePath) {
    QString title, extension;
    SplitFileName(imagePath, nullptr, &title, &extension);
    return title + QLatin1Char('.') + extension;
}

QString SideFileReport(bool written, const QString& sideFile) {
    return LoadQString(written ? kSideFileWritten : kSideFileFailed)
        .replace(QStringLiteral("%s"), sideFile);
}

QString Number(const char* format, double value) {
    return QString::fromStdString(CNumberText::Format(format, value));
}

// A pixel size or rotation term of the world file: fixed-point with at least six decimals and
// fifteen significant digits, so that the scale it gives is exact to far better than 1e-8.
QString WorldFileTerm(double value) {
    int decimals = 6;
    if (value != 0.0 && std::isfinite(value))
        decimals = std::max(6, 14 - int(std::floor(std::log10(std::fabs(value)))));
    return QString::fromStdString(CNumberText::Format("%15.*f\n", decimals, value));
}

// A coordinate of the georeferencing file: "%20.6f", the undefined value as an empty field.
QString FormatCoord(double value) {
    return IsUndefined(value) ? QString() : Number("%20.6f", value);
}

struct Point3 {
    double x, y, z;
};

Point3 operator+(const Point3& a, const Point3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Point3 operator-(const Point3& a, const Point3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
double Dot(const Point3& a, const Point3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
double Length(const Point3& a) { return std::sqrt(Dot(a, a)); }
Point3 Scaled(const Point3& a, double f) { return {a.x * f, a.y * f, a.z * f}; }
Point3 Cross(const Point3& a, const Point3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

}  // namespace

void CTesseloDoc::RegisterFileCommands() {
    OnCommand(cmd::ID_LOAD_PARAMETERS, [this] { OnLoadParameters(); });
    OnCommand(cmd::ID_SAVE_PARAMETERS, [this] { OnSaveParameters(); });
}

void CTesseloDoc::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        for (int value : {kParameterVersion, m_decimals, m_red, m_green, m_blue, m_worldFile,
                          m_geoRefFile, m_koosys, m_measureMode})
            ar.WriteInt32(value);
        ar.WriteDouble(m_rectWidth);
        ar.WriteDouble(m_rectHeight);
        ar.WriteInt32(m_is3D);
        return;
    }

    // Each version holds a suffix of the version-3 scalars; versions 0 to 2 then carry the
    // point lists. Everything is read and checked before the document takes any of it.
    const int32_t version = ar.ReadInt32();
    const bool known = version >= 0 && version <= kParameterVersion;
    int decimals = m_decimals, red = m_red, green = m_green, blue = m_blue;
    int worldFile = m_worldFile, geoRefFile = m_geoRefFile, koosys = m_koosys;
    int measureMode = m_measureMode, is3D = m_is3D;
    double rectWidth = m_rectWidth, rectHeight = m_rectHeight;
    if (version == 3) decimals = ReadInRange(ar, 0, 6);
    if (version >= 2 && known) {
        red = ReadInRange(ar, 0, 255);
        green = ReadInRange(ar, 0, 255);
        blue = ReadInRange(ar, 0, 255);
        worldFile = ar.ReadInt32();
        geoRefFile = ar.ReadInt32();
        koosys = ReadInRange(ar, 0, 4);
    }
    if (version >= 1 && known) {
        measureMode = ReadInRange(ar, 0, 1);
        rectWidth = ReadFinite(ar);
        rectHeight = ReadFinite(ar);
    }
    if (known) is3D = ReadInRange(ar, 0, 1);
    // Files before version 2 have no system and take it from the 3D flag. A later file's flag
    // is kept as read, also where it disagrees with the system (rectangle-route files carry
    // flag 0 beside a 3D system), so that the file comes back as it was saved.
    if (version < 2) koosys = is3D ? 0 : 2;

    const bool hasCorners = version == 1 || version == 2;
    const bool hasPoints = version >= 0 && version <= 2;
    CCornerList corners = hasCorners ? ReadCorners(ar) : CCornerList();
    CControlPointList points = hasPoints ? ReadControlPoints(ar) : CControlPointList();

    m_decimals = decimals;
    m_red = red;
    m_green = green;
    m_blue = blue;
    m_worldFile = worldFile;
    m_geoRefFile = geoRefFile;
    m_koosys = koosys;
    m_measureMode = measureMode;
    m_rectWidth = rectWidth;
    m_rectHeight = rectHeight;
    m_is3D = is3D;
    if (hasCorners) m_corners = std::move(corners);
    if (hasPoints) m_points = std::move(points);
}

CTesseloDoc::ParameterLoad CTesseloDoc::LoadParameterFile(const QString& path) {
    std::vector<uint8_t> bytes;
    if (!CArchive::ReadFile(QFile::encodeName(path).toStdString(), bytes))
        return ParameterLoad::Unreadable;
    try {
        CArchive ar(std::move(bytes));
        Serialize(ar);
    } catch (const std::exception&) {
        return ParameterLoad::Damaged;
    }
    return ParameterLoad::Loaded;
}

bool CTesseloDoc::StoreParameterFile(const QString& path) {
    CArchive ar;
    Serialize(ar);
    return ar.WriteFile(QFile::encodeName(path).toStdString());
}

bool CTesseloDoc::OnOpenDocument(const QString& path) {
    return LoadParameterFile(path) == ParameterLoad::Loaded;
}

void CTesseloDoc::OnLoadParameters() {
    CTesseloApp* app = CTesseloApp::Instance();
    CMyFileDialog dialog(true, QString(), QString(), CMyFileDialog::kHideReadOnly,
                         QString::fromLatin1(kParameterFilter), app ? app->MainFrame() : nullptr);
    if (dialog.DoModal() != QDialog::Accepted) return;
    const QString path = dialog.GetPathName();
    if (path.isEmpty()) return;
    switch (LoadParameterFile(path)) {
        case ParameterLoad::Unreadable:
            ui::MessageId(kFailedToOpenDocument, ui::Buttons::Ok, ui::Icon::Warning);
            return;
        case ParameterLoad::Damaged:
            ui::MessageId(kUnexpectedFileFormat, ui::Buttons::Ok, ui::Icon::Warning);
            return;
        case ParameterLoad::Loaded:
            break;
    }
    if (m_view) m_view->viewport()->update();
    const int count = m_measureMode == 1 ? m_points.Size() : m_corners.Size();
    if (count >= 4 && app && app->MainFrame())
        PostMessageTo(app->MainFrame(), msg::WM_APP_WORKFLOW_STEP, 2, 0);
}

void CTesseloDoc::OnSaveParameters() {
    CTesseloApp* app = CTesseloApp::Instance();
    // Asks before it replaces a file, and names the file it would replace with the ".par" it
    // appends, so that a mistyped name never silently replaces a photograph or another file.
    CMyFileDialog dialog(false, QStringLiteral("par"), QString(),
                         CMyFileDialog::kHideReadOnly | CMyFileDialog::kOverwritePrompt,
                         QString::fromLatin1(kParameterFilter), app ? app->MainFrame() : nullptr);
    if (dialog.DoModal() != QDialog::Accepted) return;
    QString path = dialog.GetPathName();
    QString directory, title, extension;
    SplitFileName(path, &directory, &title, &extension);
    if (title.isEmpty()) {
        ui::MessageId(kFileNameInvalid);
        return;
    }
    if (extension.isEmpty()) path = directory + title + QStringLiteral(".par");
    if (!StoreParameterFile(path)) {
        ui::Message(LoadQString(kSaveFailed).replace(QStringLiteral("%s"), path).toStdString(),
                    ui::Buttons::Ok, ui::Icon::Error);
    }
}

bool CTesseloDoc::HasTargetExtent() const {
    for (double v : {m_extentLeft, m_extentBottom, m_extentRight, m_extentTop})
        if (IsUndefined(v) || !std::isfinite(v)) return false;
    return m_image.IsValid() && m_image.GetWidth() > 0 && m_image.GetHeight() > 0;
}

bool CTesseloDoc::HasObjectPlane() const {
    for (double v : m_plane)
        if (IsUndefined(v) || !std::isfinite(v)) return false;
    return true;
}

int CTesseloDoc::WriteWorldFile(const QString& imagePath, QString& text) const {
    const QString name = imagePath + QLatin1Char('w');
    text = SideFileReport(false, name);
    if (!HasTargetExtent()) return 0;
    const double width = m_image.GetWidth(), height = m_image.GetHeight();
    const double xmin = m_extentLeft, ymin = m_extentBottom;
    const double xmax = m_extentRight, ymax = m_extentTop;
    // The lines: first coordinate per column, second per column, first per row, second per
    // row, and both at the centre of the upper-left pixel.
    double lines[6] = {};
    if (m_koosys == 1 || m_koosys == 4) {
        // The systems whose first coordinate is north name the extent's second coordinate
        // first; it runs down the rows and the extent's first along the columns.
        lines[1] = (xmax - xmin) / width;
        lines[2] = (ymin - ymax) / height;
        lines[4] = ymax + lines[2] / 2;
        lines[5] = xmin + lines[1] / 2;
    } else {
        lines[0] = (xmax - xmin) / width;
        lines[3] = (ymin - ymax) / height;
        lines[4] = xmin + lines[0] / 2;
        lines[5] = ymax + lines[3] / 2;
    }
    QString content;
    for (int line = 0; line < 4; ++line) content += WorldFileTerm(lines[line]);
    for (int line = 4; line < 6; ++line) content += Number("%15.6f\n", lines[line]);
    if (!WriteTextFile(name, content)) return 0;
    text = SideFileReport(true, name);
    return 1;
}

int CTesseloDoc::WriteGeoRefFile(const QString& imagePath, QString& text) const {
    const QString name = imagePath + QStringLiteral(".vexo");
    text = SideFileReport(false, name);
    if (!HasTargetExtent()) return 0;
    const double xmin = m_extentLeft, ymin = m_extentBottom;
    const double xmax = m_extentRight, ymax = m_extentTop;

    // The extent's corners on the object plane: S - u A + v B. Without a 3D system or a
    // complete plane they are undefined and the fields stay empty.
    const double corners[4][2] = {{xmin, ymin}, {xmax, ymin}, {xmin, ymax}, {xmax, ymax}};
    double corners3D[4][3];
    const bool onPlane = m_is3D && HasObjectPlane();
    for (int c = 0; c < 4; ++c)
        for (int k = 0; k < 3; ++k)
            corners3D[c][k] = onPlane ? m_plane[k] - corners[c][0] * m_plane[3 + k] +
                                            corners[c][1] * m_plane[6 + k]
                                      : UNDEFINED_VALUE;

    const auto line3 = [](const char* tag, const double* v) {
        return QStringLiteral("%1: %2 %3 %4\n")
            .arg(QLatin1String(tag), FormatCoord(v[0]), FormatCoord(v[1]), FormatCoord(v[2]));
    };
    QString content = QStringLiteral("file: ") + SideFileImageName(imagePath) + QLatin1Char('\n');
    content += LoadQString(kGeoRefHeading);
    content += QString::fromStdString(CNumberText::Format(
        "size: %13i %20i\n", int(m_image.GetWidth()), int(m_image.GetHeight())));
    content += QStringLiteral("lu2D: %1 %2\n").arg(FormatCoord(xmin), FormatCoord(ymin));
    content += QStringLiteral("ro2D: %1 %2\n").arg(FormatCoord(xmax), FormatCoord(ymax));
    content += QStringLiteral("3D  : %1\n").arg(m_is3D);
    content += line3("Sxyz", m_plane);
    content += line3("Axyz", m_plane + 3);
    content += line3("Bxyz", m_plane + 6);
    content +=
        QStringLiteral("info:               Ost                 Nord                 H\u00f6he\n");
    const char* tags[4] = {"lu3D", "ru3D", "lo3D", "ro3D"};
    for (int c = 0; c < 4; ++c) content += line3(tags[c], corners3D[c]);

    if (!WriteTextFile(name, content)) return 0;
    text = SideFileReport(true, name);
    return 1;
}

int CTesseloDoc::ComputeCadPlacement(int is3D, QString texts[16]) const {
    for (int i = 0; i < 16; ++i) texts[i].clear();
    if (!HasTargetExtent()) return 1;
    const double xmin = m_extentLeft, ymin = m_extentBottom;
    const double xmax = m_extentRight, ymax = m_extentTop;
    // Adding 0.0 turns a negative zero into "0.00000".
    const auto num = [](double v) { return Number("%.5f", v + 0.0); };
    if (!is3D) {
        texts[0] = num(xmin);
        texts[1] = num(ymin);
        texts[3] = num(xmax - xmin);
        for (int i : {2, 4, 5, 7, 8, 9, 10, 11, 12, 13, 14, 15}) texts[i] = QStringLiteral("0");
        texts[6] = QStringLiteral("1");
        return 1;
    }
    if (!HasObjectPlane()) return 1;
    const Point3 s{m_plane[0], m_plane[1], m_plane[2]};
    const Point3 a{m_plane[3], m_plane[4], m_plane[5]};
    const Point3 b{m_plane[6], m_plane[7], m_plane[8]};
    const auto onPlane = [&](double u, double v) { return s - Scaled(a, u) + Scaled(b, v); };
    const Point3 p = onPlane(xmin, ymin), q = onPlane(xmax, ymin), r = onPlane(xmin, ymax);

    // A degenerate extent or a vertical bottom edge has no placement.
    const double bottom = Length(q - p), left = Length(r - p);
    if (!(bottom > 0) || !(left > 0)) return 1;
    const Point3 d = Scaled(q - p, 1 / bottom);
    const double h = std::hypot(d.x, d.y);
    if (!(h > 0)) return 1;
    const Point3 n{d.y / h, -d.x / h, 0.0};
    const Point3 w = Scaled(r - p, 1 / left);
    const double a1 = std::atan2(d.y, d.x);
    const double a2 = std::atan2(d.z, h);
    const double a3 = std::atan2(Length(Cross(n, w)), Dot(n, w));
    const double values[16] = {p.x, p.y, p.z, xmax - xmin, 0,   0,   1,   a1,
                               n.x, n.y, n.z, a2,          d.x, d.y, d.z, a3};
    for (int i = 0; i < 16; ++i) texts[i] = num(values[i]);
    return 1;
}

int CTesseloDoc::WriteCadRefFile(const QString& imagePath, QString& text) const {
    const QString name = imagePath + QStringLiteral(".acadref");
    text = SideFileReport(false, name);
    QString texts[16];
    ComputeCadPlacement(m_is3D, texts);
    if (texts[0].isEmpty()) return 0;
    QString content = SideFileImageName(imagePath) + QLatin1Char('\n');
    content += m_is3D ? QStringLiteral("#3D\n") : QStringLiteral("#2D\n");
    for (int i = 0; i < (m_is3D ? 16 : 4); ++i) content += texts[i] + QLatin1Char('\n');
    if (!WriteTextFile(name, content)) return 0;
    text = SideFileReport(true, name);
    return 1;
}
