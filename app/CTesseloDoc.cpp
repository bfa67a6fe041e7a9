#include "CTesseloDoc.h"

#include <QFile>

#include "CChildFrame.h"
#include "CMainFrame.h"
#include "CPostedEvents.h"
#include "CTesseloApp.h"
#include "CommandIds.h"
#include "QtStringLookup.h"
#include "RasterTypes.h"
#include "RegistrySettings.h"
#include "UserInterface.h"

namespace {

int g_untitledCount = 0;

// The text after the last dot when that dot stands after the last "/"; else empty.
QString ExtensionOf(const QString& path) {
    const int dot = path.lastIndexOf(QLatin1Char('.'));
    return dot > path.lastIndexOf(QLatin1Char('/')) ? path.mid(dot + 1) : QString();
}

}  // namespace

CTesseloDoc::CTesseloDoc() {
    m_title = QStringLiteral("Veltrano%1").arg(++g_untitledCount);
    OnCommand(cmd::ID_FILE_CLOSE, [this] { OnCloseDocument(); });
    OnCommand(cmd::ID_RECTIFY, [this] { OnRectify(); });
    OnUpdateCommand(cmd::ID_RECTIFY, [this](CCmdUI& state) { state.Enable(m_isSource != 0); });
    LoadSettings(this);
}

CTesseloDoc::~CTesseloDoc() {
    // The assistant redraws for whichever document is active next.
    if (CTesseloApp* app = CTesseloApp::Instance(); app && app->MainFrame())
        PostMessageTo(app->MainFrame(), msg::WM_APP_WORKFLOW_STEP, -1, 0);
}

void CTesseloDoc::SetTitle(const QString& title) {
    m_title = title;
    emit titleChanged(title);
}

bool CTesseloDoc::OnOpenDocument(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    // The parameter-file reader is not part of the program yet, so no file reads as a
    // document; refusing keeps the start from going on with a document it did not read.
    return false;
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
    const uint32_t type = ImageTypeFromExtension(ExtensionOf(path).toLower());
    bool loaded = false;
    {
        ui::CWaitCursor wait;
        // The JPEG quality setting travels in the image and survives every load.
        const uint8_t quality = m_image.GetJpegQuality();
        try {
            // A failed load may leave the old image valid: only the load's result counts.
            loaded = m_image.Load(QFile::encodeName(path).constData(), type) && m_image.IsValid();
        } catch (...) {
            loaded = false;
        }
        m_image.SetJpegQuality(quality);
    }
    if (!loaded) {
        ui::Message(m_image.GetLastError());
        return 0;
    }
    QString title = LoadQString(10065);
    SetTitle(title.replace(QStringLiteral("%s"), path));
    return 1;
}

void CTesseloDoc::OnCloseDocument() {
    if (m_frame) m_frame->close();
}
