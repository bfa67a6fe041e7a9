#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include "AppTestSupport.h"
#include "CTesseloDoc.h"
#include "controls/CKoosysComboBox.h"
#include "dialogs/CEinstellungenDlg.h"

namespace {

class SettingsDialogTest : public AppDocumentTest {
protected:
    void SetUp() override {
        AppDocumentTest::SetUp();
        ASSERT_EQ(GetActiveDocument(), m_doc);
    }

    template <class T>
    T* Field(CEinstellungenDlg& dialog, const char* id) {
        T* widget = dialog.findChild<T*>(QLatin1String(id));
        EXPECT_NE(widget, nullptr) << id;
        return widget;
    }

    void SetText(CEinstellungenDlg& dialog, const char* id, const QString& text) {
        if (auto* edit = dialog.findChild<QLineEdit*>(QLatin1String(id)))
            edit->setText(text);
        else
            Field<QComboBox>(dialog, id)->setCurrentText(text);
    }
};

}  // namespace

TEST_F(SettingsDialogTest, ShowsTheActiveDocumentsSettings) {
    m_doc->m_koosys = 3;
    m_doc->m_decimals = 5;
    m_doc->m_red = 1;
    m_doc->m_green = 2;
    m_doc->m_blue = 3;
    m_doc->m_worldFile = 1;
    m_doc->m_geoRefFile = 0;
    m_doc->m_image.SetJpegQuality(75);
    m_doc->m_calibrationFolder = QStringLiteral("/data/eich/");
    CEinstellungenDlg dialog;
    dialog.OnInitDialog();
    EXPECT_EQ(Field<CKoosysComboBox>(dialog, "1041")->GetSelected(), 3);
    EXPECT_EQ(Field<CKoosysComboBox>(dialog, "1041")->count(), 5);
    EXPECT_EQ(Field<QComboBox>(dialog, "1071")->currentIndex(), 5);
    EXPECT_EQ(Field<QComboBox>(dialog, "1070")->currentText(), QStringLiteral("75"));
    EXPECT_EQ(Field<QLineEdit>(dialog, "1043")->text(), QStringLiteral("1"));
    EXPECT_EQ(Field<QLineEdit>(dialog, "1044")->text(), QStringLiteral("2"));
    EXPECT_EQ(Field<QLineEdit>(dialog, "1045")->text(), QStringLiteral("3"));
    EXPECT_TRUE(Field<QCheckBox>(dialog, "1038")->isChecked());
    EXPECT_FALSE(Field<QCheckBox>(dialog, "1040")->isChecked());
    EXPECT_TRUE(Field<QCheckBox>(dialog, "1039")->isChecked());
    EXPECT_EQ(Field<QLineEdit>(dialog, "1050")->text(), QStringLiteral("/data/eich/"));
}

TEST_F(SettingsDialogTest, OkStoresIntoTheDocumentAndAsDefaultsForLaterDocuments) {
    CEinstellungenDlg dialog;
    dialog.OnInitDialog();
    Field<CKoosysComboBox>(dialog, "1041")->Select(3);
    Field<QComboBox>(dialog, "1071")->setCurrentIndex(5);
    SetText(dialog, "1070", QStringLiteral("85abc"));
    SetText(dialog, "1043", QStringLiteral("10"));
    SetText(dialog, "1044", QStringLiteral("20"));
    SetText(dialog, "1045", QStringLiteral("255"));
    SetText(dialog, "1050", QStringLiteral("/data/eich"));
    Field<QCheckBox>(dialog, "1038")->setChecked(true);
    Field<QCheckBox>(dialog, "1040")->setChecked(true);
    dialog.OnOK();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(m_ui.messages.empty());

    CTesseloDoc* later = App()->OnFileNew();
    for (CTesseloDoc* doc : {m_doc, later}) {
        EXPECT_EQ(doc->m_koosys, 3);
        EXPECT_EQ(doc->m_is3D, 0);
        EXPECT_EQ(doc->m_decimals, 5);
        EXPECT_EQ(doc->m_image.GetJpegQuality(), 85);
        EXPECT_EQ(doc->m_red, 10);
        EXPECT_EQ(doc->m_green, 20);
        EXPECT_EQ(doc->m_blue, 255);
        EXPECT_EQ(doc->m_worldFile, 1);
        EXPECT_EQ(doc->m_geoRefFile, 1);
        EXPECT_EQ(doc->m_calibrationFolder, QStringLiteral("/data/eich/"));
    }
}

TEST_F(SettingsDialogTest, WithoutSaveAsDefaultOnlyTheDocumentChanges) {
    CEinstellungenDlg dialog;
    dialog.OnInitDialog();
    Field<QCheckBox>(dialog, "1039")->setChecked(false);
    SetText(dialog, "1043", QStringLiteral("77"));
    dialog.OnOK();
    EXPECT_EQ(m_doc->m_red, 77);
    EXPECT_FALSE(CProfile::Contains("Hintergrund", "Rot"));
}

TEST_F(SettingsDialogTest, DocumentOnlyModeHidesTheDefaultOptionAndWritesNoDefaults) {
    CEinstellungenDlg dialog;
    dialog.SetDocumentOnly(true);
    dialog.OnInitDialog();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Verzeichnis mit Kamera-Eichdaten"));
    EXPECT_TRUE(Field<QCheckBox>(dialog, "1039")->isHidden());
    Field<CKoosysComboBox>(dialog, "1041")->Select(4);
    dialog.OnOK();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(m_doc->m_koosys, 4);
    EXPECT_FALSE(CProfile::Contains("Koosys", "Koosys"));
}

TEST_F(SettingsDialogTest, InvalidFieldKeepsTheDialogOpenChangesNothingAndSelectsTheField) {
    const struct {
        const char* field;
        const char* text;
        const char* message;
    } cases[] = {
        {"1070", "", "Gültige JPG Qualität: 1-100"},
        {"1070", "0", "Gültige JPG Qualität: 1-100"},
        {"1070", "101", "Gültige JPG Qualität: 1-100"},
        {"1070", "99999999999", "Gültige JPG Qualität: 1-100"},
        {"1043", "256", "gültiger Rotanteil: 0 bis 255"},
        {"1043", "-1", "gültiger Rotanteil: 0 bis 255"},
        {"1044", "999", "gültiger Grünanteil: 0 bis 255"},
        {"1045", "99999999999", "gültiger Blauanteil: 0 bis 255"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " '" + c.text + "'");
        m_ui.messages.clear();
        CEinstellungenDlg dialog;
        dialog.OnInitDialog();
        dialog.show();
        // Edits in fields checked before the failing one must not reach the document either.
        Field<CKoosysComboBox>(dialog, "1041")->Select(2);
        Field<QCheckBox>(dialog, "1038")->setChecked(true);
        SetText(dialog, c.field, QString::fromUtf8(c.text));
        dialog.OnOK();
        ASSERT_EQ(m_ui.messages.size(), 1u);
        EXPECT_EQ(m_ui.messages[0], c.message);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_NE(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(m_doc->m_koosys, 0);
        EXPECT_EQ(m_doc->m_worldFile, 0);
        EXPECT_EQ(m_doc->m_image.GetJpegQuality(), 90);
        QWidget* field = dialog.findChild<QWidget*>(QLatin1String(c.field));
        EXPECT_EQ(dialog.focusWidget() == field ||
                      (dialog.focusWidget() && dialog.focusWidget()->parentWidget() == field),
                  true);
        if (auto* edit = qobject_cast<QLineEdit*>(field)) {
            EXPECT_EQ(edit->selectedText(), QString::fromUtf8(c.text));
        }
        dialog.reject();
        EXPECT_FALSE(CProfile::Contains("Koosys", "Koosys"));
    }
}

TEST_F(SettingsDialogTest, AcceptsTheBoundsOfTheJpegQuality) {
    for (const char* text : {"1", "100"}) {
        CEinstellungenDlg dialog;
        dialog.OnInitDialog();
        SetText(dialog, "1070", QString::fromUtf8(text));
        dialog.OnOK();
        EXPECT_EQ(dialog.result(), QDialog::Accepted) << text;
        EXPECT_EQ(m_doc->m_image.GetJpegQuality(), atoi(text));
    }
    EXPECT_TRUE(m_ui.messages.empty());
}

TEST_F(SettingsDialogTest, EmptyFolderStaysEmpty) {
    CEinstellungenDlg dialog;
    dialog.OnInitDialog();
    SetText(dialog, "1050", QString());
    dialog.OnOK();
    EXPECT_TRUE(m_doc->m_calibrationFolder.isEmpty());
}

TEST_F(SettingsDialogTest, BrowseAsksAgainAfterAnEmptyChoiceAndAppendsTheSlash) {
    CEinstellungenDlg dialog;
    dialog.OnInitDialog();
    ChooseFile(QString());
    ChooseFile(QStringLiteral("/data/kamera"));
    dialog.OnBrowsePath();
    ASSERT_EQ(m_requests.size(), 2u);
    EXPECT_EQ(m_requests[0].mode, filechooser::Mode::Folder);
    EXPECT_EQ(m_requests[0].directory, App()->StartDirectory());
    EXPECT_EQ(m_requests[0].title, QStringLiteral("Verzeichnis mit Kamera-Eichdaten"));
    EXPECT_EQ(m_requests[0].fileName, QStringLiteral("*.verz"));
    EXPECT_EQ(m_requests[0].acceptLabel, QStringLiteral("Auswählen"));
    EXPECT_EQ(Field<QLineEdit>(dialog, "1050")->text(), QStringLiteral("/data/kamera/"));

    // Cancel leaves the field as it is; the chooser opens on the field's folder.
    dialog.OnBrowsePath();
    EXPECT_EQ(m_requests.back().directory, QStringLiteral("/data/kamera"));
    EXPECT_EQ(Field<QLineEdit>(dialog, "1050")->text(), QStringLiteral("/data/kamera/"));
}

TEST_F(SettingsDialogTest, SettingsCommandRunsTheDialogOnTheActiveDocument) {
    m_dialogScripts.push_back([](QDialog& dialog) {
        auto& settings = static_cast<CEinstellungenDlg&>(dialog);
        settings.findChild<QLineEdit*>(QStringLiteral("1044"))->setText(QStringLiteral("42"));
        settings.OnOK();
        return settings.result();
    });
    EXPECT_TRUE(App()->RouteCommand(32787));
    ASSERT_EQ(m_dialogsRun.size(), 1u);
    EXPECT_EQ(m_dialogsRun[0], QStringLiteral("155"));
    EXPECT_EQ(m_doc->m_green, 42);
    EXPECT_EQ(ReadSetting(settings::kGreen), 42);
}
