#pragma once
// Shared test support: a message-box recorder with scripted answers, scripted modal runs and
// file choosers, and a fixture that points the settings into a temporary folder.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QFile>
#include <QFontMetrics>
#include <QStyle>
#include <QTemporaryDir>
#include <QTimer>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "CProfile.h"
#include "CTesseloApp.h"
#include "FileChooser.h"
#include "ModalRunner.h"
#include "RegistrySettings.h"
#include "UserInterface.h"

class CRecordingUserInterface : public ui::CUserInterface {
public:
    ui::Answer MessageBox(const std::string& text, ui::Buttons buttons, ui::Icon) override {
        messages.push_back(text);
        if (!answers.empty()) {
            const ui::Answer answer = answers.front();
            answers.pop_front();
            return answer;
        }
        return buttons == ui::Buttons::YesNo || buttons == ui::Buttons::YesNoCancel
                   ? ui::Answer::Yes
                   : ui::Answer::Ok;
    }
    bool EscapePressed() override { return false; }
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}

    std::vector<std::string> messages;
    std::deque<ui::Answer> answers;
};

// The numbers of the world file beside a saved image, one per line (six when it is whole).
inline std::vector<double> ReadWorldFile(const QString& imagePath) {
    std::vector<double> numbers;
    QFile file(imagePath + QLatin1Char('w'));
    if (!file.open(QIODevice::ReadOnly)) return numbers;
    for (const QByteArray& line : file.readAll().split('\n'))
        if (!line.trimmed().isEmpty()) numbers.push_back(line.trimmed().toDouble());
    return numbers;
}

// The least width at which a window manager shows the window's whole title: the title in a bold
// title-bar font, centred between three buttons about as wide as the bar is high on either side.
inline int WholeTitleWidth(const QWidget& window) {
    QFont font = QApplication::font("QMdiSubWindowTitleBar");
    font.setBold(true);
    const int button = window.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &window);
    return QFontMetrics(font).horizontalAdvance(window.windowTitle()) + 6 * button;
}

// Hands the next shown window of type Window to `look` once the modal run that shows it has
// started; `look` must close it.
template <class Window>
void LookAtNextWindow(std::function<void(Window&)> look) {
    QTimer::singleShot(0, [look = std::move(look)] {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* window = qobject_cast<Window*>(widget); window && window->isVisible()) {
                look(*window);
                return;
            }
    });
}

class AppTest : public ::testing::Test {
protected:
    using DialogScript = std::function<int(QDialog&)>;
    using ChooserScript = std::function<bool(const filechooser::Request&, QString*)>;

    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        CProfile::SetFile(m_dir.filePath(QStringLiteral("settings.ini")));
        CTesseloApp::SetCatalogueDirectory(QStringLiteral(TESSELO_CATALOGUE_DIR));
        ui::Install(&m_ui);
        // A modal run nobody scripted is cancelled, so no test ever waits for a person.
        modal::SetRunner([this](QDialog& dialog) {
            m_dialogsRun.push_back(dialog.objectName());
            if (m_dialogScripts.empty()) return int(QDialog::Rejected);
            DialogScript script = std::move(m_dialogScripts.front());
            m_dialogScripts.pop_front();
            return script(dialog);
        });
        filechooser::SetChooser([this](const filechooser::Request& request, QString* path) {
            m_requests.push_back(request);
            if (m_chooserScripts.empty()) return false;
            ChooserScript script = std::move(m_chooserScripts.front());
            m_chooserScripts.pop_front();
            return script(request, path);
        });
    }

    void TearDown() override {
        App()->ExitInstance();
        ProcessEvents();
        modal::SetRunner({});
        filechooser::SetChooser({});
        ui::Install(nullptr);
        CTesseloApp::SetCatalogueDirectory(QString());
        CProfile::SetFile(QString());
    }

    static CTesseloApp* App() { return CTesseloApp::Instance(); }

    // Delivers posted events and deferred deletions.
    static void ProcessEvents() {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::sendPostedEvents(nullptr, 0);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QCoreApplication::processEvents();
        }
    }

    // Starts the program with the language already chosen.
    bool Start(int language = 0, const QStringList& arguments = {}) {
        WriteSetting(settings::kLanguage, language);
        const bool started = App()->InitInstance(arguments);
        ProcessEvents();
        return started;
    }

    void ChooseFile(const QString& path) {
        m_chooserScripts.push_back([path](const filechooser::Request&, QString* out) {
            *out = path;
            return true;
        });
    }

    QTemporaryDir m_dir;
    CRecordingUserInterface m_ui;
    std::deque<DialogScript> m_dialogScripts;
    std::vector<QString> m_dialogsRun;
    std::deque<ChooserScript> m_chooserScripts;
    std::vector<filechooser::Request> m_requests;
};

// The started program with one new document window, m_doc.
class AppDocumentTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        ASSERT_TRUE(Start());
        m_doc = App()->OnFileNew();
        ASSERT_NE(m_doc, nullptr);
    }

    CTesseloDoc* m_doc = nullptr;
};
