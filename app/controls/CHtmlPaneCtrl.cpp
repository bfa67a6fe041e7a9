#include "CHtmlPaneCtrl.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QTimer>
#include <QUrl>

namespace {

// Rules with a colour are shown as images of this scheme: "swatch:RRGGBB/WxH", or
// "swatch:frame/WxH" for the shaded frame of a rule without colour.
constexpr const char* kSwatchScheme = "swatch";

QImage Swatch(const QString& spec) {
    static const QRegularExpression kSpec(QStringLiteral("^(frame|[0-9A-Fa-f]{6})/(\\d+)x(\\d+)$"));
    const QRegularExpressionMatch m = kSpec.match(spec);
    if (!m.hasMatch()) return {};
    const int w = qBound(1, m.captured(2).toInt(), 1000);
    const int h = qBound(1, m.captured(3).toInt(), 1000);
    QImage image(w, h, QImage::Format_RGB32);
    if (m.captured(1) == QLatin1String("frame")) {
        // A rule without colour: a sunken frame, shadow top-left and highlight bottom-right.
        image.fill(QColor(0, 0, 0));
        QPainter p(&image);
        p.setPen(QColor(0x80, 0x80, 0x80));
        p.drawLine(0, 0, w - 1, 0);
        p.drawLine(0, 0, 0, h - 1);
        p.setPen(QColor(0xFF, 0xFF, 0xFF));
        p.drawLine(w - 1, 1, w - 1, h - 1);
        p.drawLine(1, h - 1, w - 1, h - 1);
    } else {
        image.fill(QColor(QLatin1Char('#') + m.captured(1)));
    }
    return image;
}

}  // namespace

CHtmlPaneCtrl::CHtmlPaneCtrl(QWidget* parent) : QTextBrowser(parent) {
    setOpenLinks(false);
    setOpenExternalLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this,
            [this](const QUrl& url) { OnBeforeNavigate2(url.toString()); });
}

void CHtmlPaneCtrl::Navigate(const QString& url) {
    if (url.compare(QLatin1String("about:blank"), Qt::CaseInsensitive) == 0) {
        clear();
    } else {
        setSource(QUrl(url));
    }
    QTimer::singleShot(0, this, [this] { OnDocumentComplete(); });
}

void CHtmlPaneCtrl::SetHtml(const QString& html, bool encode) {
    m_pendingHtml = encode ? EncodeEntities(html) : html;
    if (m_documentReady) WriteHtmlToDocument();
}

QString CHtmlPaneCtrl::EncodeEntities(QString text) {
    static const struct {
        char16_t letter;
        const char* entity;
    } kEntities[] = {
        {0xE0, "&agrave;"}, {0xE1, "&aacute;"}, {0xE8, "&egrave;"}, {0xE9, "&eacute;"},
        {0xEC, "&igrave;"}, {0xED, "&iacute;"}, {0xF2, "&ograve;"}, {0xF3, "&oacute;"},
        {0xF9, "&ugrave;"}, {0xFA, "&uacute;"},
    };
    for (const auto& e : kEntities) text.replace(QChar(e.letter), QLatin1String(e.entity));
    return text;
}

QString CHtmlPaneCtrl::DisplayCopy(const QString& html) {
    static const QRegularExpression kRule(
        QStringLiteral("<hr size=\"(\\d+)\"(?: color=\"#([0-9A-Fa-f]{6})\")? width=\"(\\d+)\">"));
    static const QRegularExpression kLightBorder(
        QStringLiteral("bordercolorlight=\"(#[0-9A-Fa-f]{6})\""));
    QString out;
    qsizetype last = 0;
    for (auto it = kRule.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        out += QStringView(html).mid(last, m.capturedStart() - last);
        const QString colour = m.captured(2).isEmpty() ? QStringLiteral("frame") : m.captured(2);
        out += QStringLiteral("<img src=\"%1:%2/%3x%4\" width=\"%3\" height=\"%4\">")
                   .arg(QLatin1String(kSwatchScheme), colour, m.captured(3), m.captured(1));
        last = m.capturedEnd();
    }
    out += QStringView(html).mid(last);
    // Table frames in their light colour (Qt has no light and dark frame colours), and cell
    // contents centred vertically as a browser does.
    out.replace(kLightBorder, QStringLiteral("style=\"border-color:\\1\""));
    out.replace(QLatin1String("<td "), QLatin1String("<td valign=\"middle\" "));
    // A browser keeps a step row at its table width of 140 and narrows the text cell asked to be
    // 180 wide; Qt would widen the table instead, past the bar's width.
    out.replace(QLatin1String("<td valign=\"middle\" width=\"180\">"),
                QLatin1String("<td valign=\"middle\">"));
    return out;
}

void CHtmlPaneCtrl::OnAppCmd(const QString& /*command*/) {}

bool CHtmlPaneCtrl::OnBeforeNavigate2(const QString& url) {
    if (url.left(4).compare(QLatin1String("app:"), Qt::CaseInsensitive) == 0) {
        OnAppCmd(url.mid(4));
        return true;
    }
    Navigate(url);
    return false;
}

void CHtmlPaneCtrl::OnDocumentComplete() {
    m_documentReady = true;
    WriteHtmlToDocument();
}

void CHtmlPaneCtrl::WriteHtmlToDocument() { setHtml(DisplayCopy(m_pendingHtml)); }

QVariant CHtmlPaneCtrl::loadResource(int type, const QUrl& name) {
    if (type == QTextDocument::ImageResource && name.scheme() == QLatin1String(kSwatchScheme)) {
        return Swatch(name.path());
    }
    return QTextBrowser::loadResource(type, name);
}
