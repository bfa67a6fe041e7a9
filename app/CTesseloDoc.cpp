#include "CTesseloDoc.h"

#include <QCoreApplication>
#include <QDialog>
#include <QFile>
#include <climits>
#include <cmath>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

#include "CChildFrame.h"
#include "CColorQuantizer.h"
#include "CMainFrame.h"
#include "CPostedEvents.h"
#include "CTesseloApp.h"
#include "CTesseloView.h"
#include "CommandIds.h"
#include "DocumentPaths.h"
#include "QtStringLookup.h"
#include "RasterTypes.h"
#include "RegistrySettings.h"
#include "UserInterface.h"
#include "dialogs/CMyFileDialog.h"

namespace {

CTesseloDoc::PointNameAsker g_pointNameAsker;

void PostStep(int step) {
    if (CTesseloApp* app = CTesseloApp::Instance(); app && app->MainFrame())
        PostMessageTo(app->MainFrame(), msg::WM_APP_WORKFLOW_STEP, step, 0);
}

// Reduces the image in place to 8 bits with a palette of at most 256 colours.
bool ReduceToGifColours(CRaster& image) {
    CColorQuantizer quantizer(256, 7);
    RGBQUAD palette[256] = {};
    bool reduced = image.GetDIB() && quantizer.AddImage(image.GetDIB());
    if (reduced) {
        quantizer.WritePalette(palette);
        reduced = image.ReduceBpp(8, true, palette, 256);
    }
    if (!image.HasPaletteAlpha()) image.EnablePaletteAlpha(false);
    return reduced;
}

// A string-table text with its "%s" filled in.
QString FormatText(int id, const QString& text) {
    return QString::asprintf(LoadQString(id).toUtf8().constData(), text.toUtf8().constData());
}

// The number a point name starts with plus one, as atol reads it (leading blanks, a sign, the
// digits; 0 without digits), saturated instead of overflowing.
int NumberAfter(const QString& name) {
    qsizetype i = 0;
    while (i < name.size() && (name[i] == QLatin1Char(' ') || name[i] == QLatin1Char('\t'))) ++i;
    bool negative = false;
    if (i < name.size() && (name[i] == QLatin1Char('+') || name[i] == QLatin1Char('-')))
        negative = name[i++] == QLatin1Char('-');
    long long value = 0;
    for (; i < name.size() && name[i] >= QLatin1Char('0') && name[i] <= QLatin1Char('9'); ++i) {
        value = value * 10 + (name[i].unicode() - '0');
        if (value > INT_MAX) break;
    }
    if (negative) value = -value;
    if (value >= INT_MAX) return INT_MAX;
    return static_cast<int>(value) + 1;
}

// "The rectified image ... is not saved. Save it?", asked before its window closes.
constexpr int kNotSaved = 10132;

}  // namespace

CTesseloDoc::CTesseloDoc() {
    RegisterCommands();
    RegisterFileCommands();
    InitMeasureCommands();
    LoadSettings(this);
}

CTesseloDoc::~CTesseloDoc() {
    // The assistant redraws for whichever document is active next.
    PostStep(-1);
}

void CTesseloDoc::RegisterCommands() {
    const auto source = [this](CCmdUI& ui) { ui.Enable(m_isSource != 0); };
    const auto target = [this](CCmdUI& ui) { ui.Enable(m_isSource == 0); };
    const auto targetWithTool = [this](std::vector<int> tools) {
        return [this, tools](CCmdUI& ui) {
            bool enable = false;
            if (m_isSource == 0 && m_view)
                for (int tool : tools) enable = enable || m_view->m_tool == tool;
            ui.Enable(enable);
        };
    };

    OnCommand(cmd::ID_FILE_CLOSE, [this] { OnCloseDocument(); });
    OnCommand(cmd::ID_FILE_SAVE_AS, [this] { OnFileSaveAs(); });
    OnUpdateCommand(cmd::ID_FILE_SAVE_AS, target);
    OnCommand(cmd::ID_RECTIFY, [this] { OnRectify(); });
    OnCommand(cmd::ID_FILE_SAVE, [this] { OnFileSave(); });
    OnUpdateCommand(cmd::ID_FILE_SAVE, target);
    OnUpdateCommand(cmd::ID_RECTIFY, source);
    OnUpdateCommand(cmd::ID_LOAD_PARAMETERS, source);
    OnUpdateCommand(cmd::ID_SAVE_PARAMETERS, source);
    OnCommand(cmd::ID_CROP, [this] { OnCrop(); });
    OnUpdateCommand(cmd::ID_CROP, targetWithTool({1}));
    OnCommand(cmd::ID_MIRROR_HORIZONTAL, [this] { OnMirrorHorizontal(); });
    OnUpdateCommand(cmd::ID_MIRROR_HORIZONTAL, target);
    OnCommand(cmd::ID_MIRROR_VERTICAL, [this] { OnMirrorVertical(); });
    OnUpdateCommand(cmd::ID_MIRROR_VERTICAL, target);
    OnUpdateCommand(cmd::ID_FINISH_MEASURE, targetWithTool({3, 4}));
}

void CTesseloDoc::SetTitle(const QString& title) {
    m_titleId = 0;
    m_titleValue.clear();
    m_title = title;
    emit titleChanged(title);
}

void CTesseloDoc::SetTitle(int textId, const QString& value) {
    m_titleId = textId;
    m_titleValue = value;
    RetranslateTitle();
}

void CTesseloDoc::RetranslateTitle() {
    if (m_titleId == 0) return;
    m_title = FormatText(m_titleId, m_titleValue);
    emit titleChanged(m_title);
}

void CTesseloDoc::SetPointNameAsker(PointNameAsker asker) { g_pointNameAsker = std::move(asker); }

bool CTesseloDoc::AskPointName(const QString& caption, QString& name) {
    return g_pointNameAsker ? g_pointNameAsker(caption, name) : false;
}

template <class List>
int CTesseloDoc::AddNamedPoint(List& list, double x, double y) {
    QString name = QString::number(m_nextPointNumber);
    for (;;) {
        if (!AskPointName(QString(), name)) return 0;
        const int match = list.IndexOf(name);
        if (match < 0) {
            list.Append(name, x, y);
            break;
        }
        if (ui::MessageId(10061, ui::Buttons::YesNo, ui::Icon::Question) == ui::Answer::Yes) {
            list.x[match] = x;
            list.y[match] = y;
            break;
        }
    }
    m_nextPointNumber = std::max(m_nextPointNumber, NumberAfter(name));
    return 1;
}

int CTesseloDoc::AddControlPoint(double x, double y) {
    if (!AddNamedPoint(m_points, x, y)) return 0;
    if (m_points.Size() >= 4) PostStep(2);
    return 1;
}

int CTesseloDoc::AddMeasurePoint(double x, double y) {
    return AddNamedPoint(m_measurePoints, x, y);
}

int CTesseloDoc::AddRectangleCorner(double x, double y) {
    if (m_corners.Size() < 4) {
        m_corners.Append(x, y);
    } else {
        if (ui::MessageId(10069, ui::Buttons::YesNo, ui::Icon::Question) != ui::Answer::Yes)
            return 0;
        int nearest = 0;
        double best = std::numeric_limits<double>::infinity();
        for (int i = 0; i < m_corners.Size(); ++i) {
            const double d = std::hypot(m_corners.x[i] - x, m_corners.y[i] - y);
            if (d < best) {
                best = d;
                nearest = i;
            }
        }
        m_corners.x[nearest] = x;
        m_corners.y[nearest] = y;
    }
    if (m_corners.Size() >= 4) PostStep(2);
    return 1;
}

int CTesseloDoc::SetDistancePoint(double x, double y) {
    if (m_distanceState == 1) {
        m_distX2 = x;
        m_distY2 = y;
        m_distanceState = 2;
    } else {
        m_distX1 = x;
        m_distY1 = y;
        m_distanceState = 1;
    }
    return 1;
}

int CTesseloDoc::PixelToTarget(double px, double py, double& x, double& y) const {
    x = y = UNDEFINED_VALUE;
    const double width = m_image.IsValid() ? m_image.GetWidth() : 0;
    const double height = m_image.IsValid() ? m_image.GetHeight() : 0;
    if (m_isSource || IsUndefined(m_extentLeft) || IsUndefined(m_extentBottom) ||
        IsUndefined(m_extentRight) || IsUndefined(m_extentTop) || width == 0 || height == 0 ||
        IsUndefined(px) || IsUndefined(py))
        return 0;
    x = m_extentLeft + px / width * (m_extentRight - m_extentLeft);
    y = m_extentTop - py / height * (m_extentTop - m_extentBottom);
    return 1;
}

int CTesseloDoc::PixelToPlane3D(double px, double py, double& x, double& y, double& z) const {
    x = y = z = UNDEFINED_VALUE;
    if (!m_is3D) return 0;
    for (double v : m_plane)
        if (IsUndefined(v)) return 0;
    double u = 0.0, v = 0.0;
    if (!PixelToTarget(px, py, u, v)) return 0;
    x = m_plane[0] - u * m_plane[3] + v * m_plane[6];
    y = m_plane[1] - u * m_plane[4] + v * m_plane[7];
    z = m_plane[2] - u * m_plane[5] + v * m_plane[8];
    return 1;
}

QSize CTesseloDoc::GetImageSize() const {
    if (!m_image.IsValid()) return QSize(0, 0);
    return QSize(static_cast<int>(m_image.GetWidth()), static_cast<int>(m_image.GetHeight()));
}

void CTesseloDoc::ArmFirstView() {
    if (m_view) m_view->ResetDragState();
}

void CTesseloDoc::TakeTargetSettings(const CTesseloDoc& other) {
    m_koosys = other.m_koosys;
    m_is3D = other.m_is3D;
    std::copy(std::begin(other.m_plane), std::end(other.m_plane), std::begin(m_plane));
    m_decimals = other.m_decimals;
    m_red = other.m_red;
    m_green = other.m_green;
    m_blue = other.m_blue;
    m_worldFile = other.m_worldFile;
    m_geoRefFile = other.m_geoRefFile;
}

void CTesseloDoc::SetImageChanged() {
    if (!m_view) return;
    m_view->BuildDisplayBitmap(true);
    m_view->Repaint();
    m_view->m_dragState = CTesseloView::kDragIdle;
    m_view->SetImageSize(GetImageSize());
}

uint32_t CTesseloDoc::ImageTypeFromExtension(const QString& extension) {
    static const struct {
        const char* extension;
        uint32_t type;
    } kTypes[] = {
        {"bmp", FORMAT_BMP}, {"jpg", FORMAT_JPG}, {"jpeg", FORMAT_JPG},  {"gif", FORMAT_GIF},
        {"png", FORMAT_PNG}, {"ico", FORMAT_ICO}, {"tiff", FORMAT_TIF},  {"tif", FORMAT_TIF},
        {"tga", FORMAT_TGA}, {"pcx", FORMAT_PCX}, {"wbmp", FORMAT_WBMP}, {"jp2", FORMAT_JP2},
        {"j2k", FORMAT_JP2}, {"jpc", FORMAT_JPC}, {"j2c", FORMAT_JPC},   {"pgx", FORMAT_PGX},
        {"ras", FORMAT_RAS}, {"pnm", FORMAT_PNM}, {"pgm", FORMAT_PNM},   {"ppm", FORMAT_PNM},
    };
    for (const auto& t : kTypes)
        if (extension == QLatin1String(t.extension)) return t.type;
    return FORMAT_UNKNOWN;
}

int CTesseloDoc::OpenImage(const QString& path) {
    QString extension;
    SplitFileName(path, nullptr, nullptr, &extension);
    const uint32_t type = ImageTypeFromExtension(extension.toLower());
    // The image library has no text for a file it cannot open (missing, a folder, no access).
    if (QFile file(path); !file.open(QIODevice::ReadOnly)) {
        ui::Message(FormatText(10084, path).toStdString());
        return 0;
    }
    bool loaded = false;
    {
        ui::CWaitCursor wait;
        // The JPEG quality setting travels in the image and survives every load.
        const uint8_t quality = m_image.GetJpegQuality();
        try {
            // A failed load may leave the old image valid: only the load's result counts.
            loaded = m_image.Load(QFile::encodeName(path).constData(), type) && m_image.IsValid();
            m_image.SetJpegQuality(quality);
            if (loaded && m_view) m_view->BuildDisplayBitmap(true);
        } catch (...) {
            loaded = false;
        }
        m_image.SetJpegQuality(quality);
    }
    if (!loaded) {
        ui::Message(m_image.GetLastError());
        return 0;
    }
    ArmFirstView();
    SetTitle(10065, path);
    if (m_view) {
        m_view->Repaint();
        m_view->SetImageSize(GetImageSize());
    }
    return 1;
}

bool CTesseloDoc::OnFileSaveAs() {
    // The image's own file is proposed once it has one.
    CMyFileDialog dialog(false, QStringLiteral("jpg"), m_imagePath,
                         CMyFileDialog::kHideReadOnly | CMyFileDialog::kOverwritePrompt,
                         QString::fromLatin1(kImageFilter),
                         CTesseloApp::Instance() ? CTesseloApp::Instance()->MainFrame() : nullptr);
    if (dialog.DoModal() != QDialog::Accepted) return false;
    return SaveImage(dialog.GetPathName());
}

bool CTesseloDoc::OnFileSave() {
    if (m_imagePath.isEmpty()) return OnFileSaveAs();
    return SaveImage(m_imagePath);
}

bool CTesseloDoc::SaveModified() {
    if (!m_modified) return true;
    switch (ui::Message(FormatText(kNotSaved, GetTitle()).toStdString(), ui::Buttons::YesNoCancel,
                        ui::Icon::Question)) {
        case ui::Answer::Yes:
            return OnFileSave();
        case ui::Answer::No:
            return true;
        default:
            return false;
    }
}

bool CTesseloDoc::SaveImage(const QString& path) {
    m_imagePath = path;
    QString title, extension;
    SplitFileName(m_imagePath, nullptr, &title, &extension);
    if (title.isEmpty()) {
        ui::MessageId(10066);
        m_imagePath.clear();
        return false;
    }
    const uint32_t type = ImageTypeFromExtension(extension.toLower());

    bool saved = false;
    {
        ui::CWaitCursor wait;
        try {
            // GIF takes at most 256 colours: a reduced copy is saved, and the document keeps
            // it only once it is saved, so that a failed save leaves the image as it was.
            std::unique_ptr<CRaster> gif;
            if (type == FORMAT_GIF) gif = std::make_unique<CRaster>(m_image);
            CRaster& image = gif ? *gif : m_image;
            // The image library encodes into a temporary file and replaces the old one only on
            // success, so a failed save keeps an existing file intact.
            saved = (!gif || ReduceToGifColours(*gif)) &&
                    image.Save(QFile::encodeName(m_imagePath).constData(), type);
            if (saved && gif) m_image.MoveFrom(*gif);
            if (m_view) m_view->BuildDisplayBitmap(true);
        } catch (...) {
            saved = false;
        }
    }

    if (!saved) {
        ui::Message(FormatText(10122, m_imagePath).toStdString(), ui::Buttons::Ok, ui::Icon::Error);
        m_imagePath.clear();
        return false;
    }
    m_modified = false;
    SetTitle(10067, m_imagePath);
    QString text =
        QCoreApplication::translate("CTesseloDoc", "File gespeichert:\n%1").arg(m_imagePath);
    // The side files the settings ask for; each adds its line, written or failed.
    QString sideFile;
    if (m_worldFile) {
        WriteWorldFile(m_imagePath, sideFile);
        text += sideFile;
    }
    if (m_geoRefFile) {
        WriteGeoRefFile(m_imagePath, sideFile);
        text += sideFile;
    }
    PostStep(10);
    ui::Message(text.toStdString());
    return true;
}

void CTesseloDoc::OnCrop() {
    if (!m_cropValid || !(m_cropX1 - m_cropX0 > 0) || !(m_cropY1 - m_cropY0 > 0) ||
        IsUndefined(m_cropX0) || IsUndefined(m_cropY0) || IsUndefined(m_cropX1) ||
        IsUndefined(m_cropY1)) {
        ui::MessageId(10068);
        return;
    }
    const QSize size = GetImageSize();
    const int w = size.width();
    const int h = size.height();
    CTesseloApp* app = CTesseloApp::Instance();
    if (!app || !app->OnFileNew()) return;
    CTesseloDoc* doc = GetActiveDocument();
    if (!doc || doc == this) return;

    // The pixels kept: columns left..right - 1 and rows top..bottom - 1 (from the top), as the
    // image library limits them to the image.
    const int left = std::clamp(static_cast<int>(m_cropX0), 0, w);
    const int top = std::clamp(static_cast<int>(m_cropY0), 0, h);
    const int right = std::clamp(static_cast<int>(m_cropX1) + 1, 0, w);
    const int bottom = std::clamp(static_cast<int>(m_cropY1) + 1, 0, h);
    if (!m_image.Crop(left, top, right, bottom, &doc->m_image)) {
        ui::Message(m_image.GetLastError());
        doc->OnCloseDocument();
        return;
    }

    doc->TakeTargetSettings(*this);
    // The pixels keep their size, so the resolution that gives the scale stays; the JPEG
    // quality is a setting of the target and stays too.
    doc->m_image.SetXDPI(m_image.GetXDPI());
    doc->m_image.SetYDPI(m_image.GetYDPI());
    doc->m_image.SetJpegQuality(m_image.GetJpegQuality());
    // The new extent covers exactly the pixels kept.
    if (!IsUndefined(m_extentLeft) && !IsUndefined(m_extentBottom) && !IsUndefined(m_extentRight) &&
        !IsUndefined(m_extentTop) && w > 0 && h > 0) {
        const double dx = m_extentRight - m_extentLeft;
        const double dy = m_extentTop - m_extentBottom;
        doc->m_extentLeft = m_extentLeft + double(left) / w * dx;
        doc->m_extentRight = m_extentLeft + double(right) / w * dx;
        doc->m_extentTop = m_extentTop - double(top) / h * dy;
        doc->m_extentBottom = m_extentTop - double(bottom) / h * dy;
    }
    doc->m_isSource = 0;
    doc->SetImageChanged();
    doc->SetModifiedFlag();
    doc->SetTitle(10016);
    PostStep(9);
}

// The extent names the coordinates of the picture's edges, so it turns with the picture: every
// pixel keeps the coordinates of what it shows, and the world and georeferencing files place
// the mirrored picture where it belongs.
void CTesseloDoc::OnMirrorHorizontal() {
    bool mirrored = false;
    {
        ui::CWaitCursor wait;
        mirrored = m_image.Mirror();
    }
    if (mirrored) {
        std::swap(m_extentLeft, m_extentRight);
        m_modified = true;
    }
    if (m_view) m_view->BuildDisplayBitmap(false);
}

void CTesseloDoc::OnMirrorVertical() {
    bool flipped = false;
    {
        ui::CWaitCursor wait;
        flipped = m_image.Flip();
    }
    if (flipped) {
        std::swap(m_extentTop, m_extentBottom);
        m_modified = true;
    }
    if (m_view) m_view->BuildDisplayBitmap(false);
}

void CTesseloDoc::OnCloseDocument() {
    if (m_frame) m_frame->close();
}
