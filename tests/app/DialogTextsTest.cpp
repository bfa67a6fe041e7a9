// What the user reads in every dialog: the window titles as the program gives them in German,
// no German text left once the interface is English, and no text cut off by its control.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QStyleOptionFrame>
#include <QXmlStreamReader>
#include <map>

#include "CTesseloView.h"
#include "DialogTestSupport.h"
#include "dialogs/CBitmapAcadDlg.h"
#include "dialogs/CInfoDlg.h"
#include "dialogs/CPunktAuswaehlenDlg.h"
#include "dialogs/CPunktbezeichnungDlg.h"
#include "dialogs/CSpracheDlg.h"

namespace {

// The catalogue's German texts that read otherwise in English, cut into the pieces the
// dialogs show (list entries and lines).
QSet<QString> GermanOnlyTexts() {
    QFile file(QStringLiteral(TESSELO_TS_FILE));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    QSet<QString> german;
    QString source;
    static const QRegularExpression pieces(QStringLiteral("[;\\n]"));
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) continue;
        if (xml.name() == QLatin1String("source")) {
            source = xml.readElementText();
        } else if (xml.name() == QLatin1String("translation")) {
            const QStringList from = source.split(pieces), to = xml.readElementText().split(pieces);
            for (qsizetype i = 0; i < from.size(); ++i) {
                const QString piece = from[i].trimmed().remove(QLatin1Char('&'));
                if (piece.size() > 1 && piece != to.value(i).trimmed().remove(QLatin1Char('&')))
                    german << piece;
            }
        }
    }
    return german;
}

bool ReadsGerman(const QString& text, const QSet<QString>& german) {
    static const QRegularExpression umlauts(QStringLiteral("[äöüÄÖÜß]"));
    for (const QString& line : text.split(QLatin1Char('\n')))
        if (german.contains(line.trimmed().remove(QLatin1Char('&')))) return true;
    return umlauts.match(text).hasMatch();
}

int TextWidth(const QWidget& widget, const QString& text) {
    int width = 0;
    for (const QString& line : QString(text).remove(QLatin1Char('&')).split(QLatin1Char('\n')))
        width = std::max(width, widget.fontMetrics().horizontalAdvance(line));
    return width;
}

// The room a one-line edit gives its text.
int TextRoom(const QLineEdit& edit) {
    QStyleOptionFrame option;
    option.initFrom(&edit);
    option.lineWidth = edit.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &edit);
    const QMargins margins = edit.textMargins();
    const int innerMargin = 2;  // the edit's own space before and after its text
    return edit.style()->subElementRect(QStyle::SE_LineEditContents, &option, &edit).width() -
           margins.left() - margins.right() - 2 * innerMargin;
}

// The title, labels, buttons and edits whose text does not fit.
QStringList CutTexts(QDialog& dialog) {
    QStringList cut;
    if (dialog.width() < WholeTitleWidth(dialog))
        cut << QStringLiteral("title '%1'").arg(dialog.windowTitle());
    for (QWidget* widget : dialog.findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(&dialog)) continue;
        QString text;
        int room = widget->width();
        if (auto* label = qobject_cast<QLabel*>(widget); label && label->pixmap().isNull()) {
            text = label->text();
        } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
            text = button->text();
            // The style's margin and frame around a button's text.
            const QStyle* style = button->style();
            room -= style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button) +
                    2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button) +
                    (button->icon().isNull() ? 0 : button->iconSize().width());
        } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            text = edit->text();
            room = TextRoom(*edit);
        }
        if (!text.isEmpty() && TextWidth(*widget, text) > room)
            cut << QStringLiteral("%1 '%2'").arg(widget->objectName(), text);
    }
    return cut;
}

QStringList ShownTexts(QDialog& dialog) {
    QStringList texts{dialog.windowTitle()};
    for (QWidget* widget : dialog.findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(&dialog)) continue;
        if (auto* label = qobject_cast<QLabel*>(widget)) texts << label->text();
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) texts << button->text();
        if (auto* group = qobject_cast<QGroupBox*>(widget)) texts << group->title();
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) texts << edit->text();
        if (auto* edit = qobject_cast<QPlainTextEdit*>(widget)) texts << edit->toPlainText();
        if (auto* combo = qobject_cast<QComboBox*>(widget))
            for (int i = 0; i < combo->count(); ++i) texts << combo->itemText(i);
        if (auto* view = qobject_cast<QAbstractItemView*>(widget); view && view->model()) {
            const QAbstractItemModel* model = view->model();
            for (int c = 0; c < model->columnCount(); ++c) {
                texts << model->headerData(c, Qt::Horizontal).toString();
                for (int r = 0; r < model->rowCount(); ++r)
                    texts << model->data(model->index(r, c)).toString();
            }
        }
    }
    return texts;
}

struct Seen {
    QString title;
    QStringList texts;
    QStringList cut;
};

class DialogTextsTest : public DialogTest {
protected:
    // Every dialog of the program as it opens, by name.
    std::map<QString, Seen> SeeEveryDialog() {
        m_doc = App()->OnFileNew();
        std::map<QString, Seen> seen;
        const auto see = [&seen](const char* name) {
            return [&seen, name](QDialog& dialog) {
                seen[QLatin1String(name)] = {dialog.windowTitle(), ShownTexts(dialog),
                                             CutTexts(dialog)};
            };
        };
        const auto seeAndCancel = [&](const char* name) {
            WhenShown([look = see(name)](QDialog& dialog) {
                look(dialog);
                return int(QDialog::Rejected);
            });
        };
        WhileOpen(cmd::ID_APP_ABOUT, see("100"));
        WhileOpen(cmd::ID_SETTINGS, see("155"));
        RunOwn<CSpracheDlg>(seeAndCancel, "172");
        RunOwn<CInfoDlg>(seeAndCancel, "143");
        RunOwn<CPunktAuswaehlenDlg>(seeAndCancel, "131");
        RunOwn<CPunktbezeichnungDlg>(seeAndCancel, "132");
        RunOwn<CBitmapAcadDlg>(seeAndCancel, "150");
        WhileRectangleOpen(see("151"));

        // The control point route in 2D: the reference points dialog with its settings, the
        // distortion correction with its calculation, the adjustment results.
        SetFacadePoints(2);
        WhenShown([&](QDialog& dialog) {
            see("134")(dialog);
            Control<QPushButton>(dialog, "1042")->click();
            Control<QPushButton>(dialog, "1")->click();
            return int(QDialog::Rejected);
        });
        seeAndCancel("155 document only");
        WhenShown([&](QDialog& dialog) {
            see("163")(dialog);
            Control<QPushButton>(dialog, "1069")->click();
            Control<QPushButton>(dialog, "1")->click();
            return dialog.result();
        });
        seeAndCancel("161");
        seeAndCancel("136");
        App()->RouteCommand(cmd::ID_RECTIFY);
        // In 3D the plane fit comes between the distortion correction and the adjustment.
        SetFacadePoints(0);
        WhenShown([](QDialog& dialog) {
            Control<QPushButton>(dialog, "1")->click();
            return int(QDialog::Rejected);
        });
        WhenShown([](QDialog& dialog) {
            Control<QPushButton>(dialog, "1")->click();
            return dialog.result();
        });
        seeAndCancel("144");
        App()->RouteCommand(cmd::ID_RECTIFY);

        // A target document with a distance and a measured polygon.
        m_doc->m_isSource = 0;
        m_doc->m_extentLeft = m_doc->m_extentBottom = 0.0;
        m_doc->m_extentRight = m_doc->m_extentTop = 10.0;
        m_doc->m_distanceState = 2;
        m_doc->m_distX2 = m_doc->m_distY2 = 5.0;
        seeAndCancel("159");
        m_doc->ShowDistance();
        m_doc->GetFirstView()->m_tool = 4;
        for (int i = 0; i < 3; ++i) m_doc->m_measurePoints.Append(QString::number(i + 1), i, i * i);
        WhileOpen(cmd::ID_FINISH_MEASURE, see("158"));
        ProcessEvents();
        return seen;
    }

    // A dialog constructed and run here as its caller runs it.
    template <class Dialog>
    void RunOwn(const std::function<void(const char*)>& seeAndCancel, const char* name) {
        seeAndCancel(name);
        Dialog dialog;
        dialog.DoModal();
        EXPECT_TRUE(m_dialogScripts.empty()) << name << " did not open";
    }

    // Four corners of a 10 m x 8 m facade in the coordinate system, 3D ones on a plane.
    void SetFacadePoints(int koosys) {
        m_doc->m_measureMode = 1;
        m_doc->m_koosys = koosys;
        m_doc->m_is3D = koosys < 2 ? 1 : 0;
        m_doc->m_points = CControlPointList();
        const double corners[][4] = {{1, 9, 0, 0}, {1, 1, 0, 8}, {9, 1, 10, 8}, {9, 9, 10, 0}};
        for (const auto& c : corners) {
            const QString name = QString::number(m_doc->m_points.Size() + 1);
            if (koosys < 2)
                m_doc->m_points.Append(name, c[0], c[1], c[2], 0.1 * c[2], c[3]);
            else
                m_doc->m_points.Append(name, c[0], c[1], 0.0, c[2], c[3]);
        }
    }
};

}  // namespace

TEST_F(DialogTextsTest, TitlesReadAsGivenNoGermanIsLeftInEnglishAndNothingIsCutOff) {
    const struct {
        const char* dialog;
        const char* germanTitle;
    } dialogs[] = {
        {"100", "Info über Tesselo"},
        {"131", "Passpunkt auswählen"},
        {"132", "Punktbezeichnung"},
        {"134", "Identpunkte"},
        {"136", "Ergebnisse Ausgleich der Transformationsparameter"},
        {"143", "Info"},
        {"144", "Ergebnisse Berechnung der Ebene"},
        {"150", "Bitmap -> Acad"},
        {"151", "Rechteck"},
        {"155", "Einstellungen"},
        {"155 document only", "Verzeichnis mit Kamera-Eichdaten"},
        {"158", "Koordinaten"},
        {"159", "Strecke"},
        {"161", "Verzeichnung berechnen"},
        {"163", "Objektiv-Verzeichnung korrigieren"},
        {"172", "Tesselo"},
    };
    const std::map<QString, Seen> german = SeeEveryDialog();
    App()->RouteCommand(cmd::ID_LANGUAGE_ENGLISH);
    const std::map<QString, Seen> english = SeeEveryDialog();
    const QSet<QString> germanOnly = GermanOnlyTexts();
    ASSERT_FALSE(germanOnly.isEmpty());
    for (const auto& d : dialogs) {
        const QString name = QLatin1String(d.dialog);
        ASSERT_TRUE(german.count(name) && english.count(name)) << d.dialog << " did not open";
        EXPECT_EQ(german.at(name).title.toStdString(), d.germanTitle);
        EXPECT_EQ(german.at(name).cut.join(' ').toStdString(), "") << d.dialog;
        EXPECT_EQ(english.at(name).cut.join(' ').toStdString(), "") << d.dialog << " in English";
        // The language dialog asks in both languages.
        if (name == QLatin1String("172")) continue;
        QStringList left;
        for (const QString& text : english.at(name).texts)
            if (ReadsGerman(text, germanOnly)) left << text;
        EXPECT_EQ(left.join('|').toStdString(), "") << d.dialog << " in English";
    }
}

TEST_F(DialogTextsTest, InfoPicturesNameTheAxesInTheInterfaceLanguage) {
    const auto pictures = [] {
        CInfoDlg dialog;
        QList<QImage> images;
        for (const char* id : {"144", "145", "146"})
            images << Control<QLabel>(dialog, id)->pixmap().toImage();
        return images;
    };
    const QList<QImage> german = pictures();
    App()->RouteCommand(cmd::ID_LANGUAGE_ENGLISH);
    const QList<QImage> english = pictures();
    EXPECT_EQ(german[0], english[0]);  // the screen's axes X1 and Y1
    EXPECT_NE(german[1], english[1]);  // Rechts, Hoch
    EXPECT_NE(german[2], english[2]);  // Ost, Nord
}
