#include "CadLink.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QThread>

#include "CTesseloApp.h"
#include "ShellOpen.h"
#include "UserInterface.h"

namespace {

constexpr const char* kContext = "CadLink";
// A server that does not accept within this time counts as not running.
constexpr int kConnectTimeoutMs = 100;
constexpr int kStartTries = 10;
constexpr unsigned long kStartWaitMs = 300;

QString Tr(const char* text) { return QCoreApplication::translate(kContext, text); }

// Delivers one message line; false when no interface program is listening.
bool Deliver(const char* message, intptr_t wParam, intptr_t lParam) {
    QLocalSocket socket;
    socket.connectToServer(QLatin1String(kCadInterfaceName), QIODevice::WriteOnly);
    if (!socket.waitForConnected(kConnectTimeoutMs)) return false;
    const QByteArray line = QByteArray(message) + ' ' + QByteArray::number(qint64(wParam)) + ' ' +
                            QByteArray::number(qint64(lParam)) + '\n';
    socket.write(line);
    while (socket.bytesToWrite() > 0)
        if (!socket.waitForBytesWritten(kConnectTimeoutMs)) break;
    const bool sent = socket.bytesToWrite() == 0;
    socket.disconnectFromServer();
    return sent;
}

}  // namespace

int PostToCadInterface(const char* message, intptr_t wParam, intptr_t lParam, int start) {
    if (Deliver(message, wParam, lParam)) return 1;
    if (!start) return 1;
    if (!StartCadInterface()) {
        ui::Message(Tr(QT_TRANSLATE_NOOP(
                           "CadLink", "AutoCad: Interface-Programm konnte nicht gestartet werden"))
                        .toStdString());
        return 0;
    }
    for (int i = 0; i < kStartTries; ++i) {
        QThread::msleep(kStartWaitMs);
        if (Deliver(message, wParam, lParam)) return 1;
    }
    return 0;
}

int StartCadInterface() {
    const CTesseloApp* app = CTesseloApp::Instance();
    const QString path =
        (app ? app->StartDirectory() : QString()) + QStringLiteral("/VexoToAcad.exe");
    int result = 2;
    if (QFileInfo::exists(path)) result = QProcess::startDetached(path, {}) ? 33 : 31;
    if (result > 32) return 1;
    ui::Message(ShellResultText(result, Tr(QT_TRANSLATE_NOOP(
                                            "CadLink", "Interface-Progamm ist nicht installiert")))
                    .toStdString());
    return 0;
}

QString CadTransferFileName(int n) {
    const CTesseloApp* app = CTesseloApp::Instance();
    return QStringLiteral("%1/~KaviToAcad %2.tmp")
        .arg(app ? app->TempDirectory() : QString())
        .arg(n);
}
