#include <gtest/gtest.h>

#include <QString>
#include <QStringList>

#include "controls/CAssistantHtml.h"

namespace {

TEST(AssistantHtml, ColourTableQuotesColoursAndFallsBackToBlack) {
    const char* const expected[] = {"",
                                    "\"#000000\"",
                                    "\"#FF0000\"",
                                    "\"#339933\"",
                                    "\"#00FF00\"",
                                    "\"#0000FF\"",
                                    "\"#C0C0C0\"",
                                    "\"#808080\"",
                                    "\"#FFFF00\"",
                                    "\"#000000\"",
                                    "\"#000000\"",
                                    "\"#0066FF\""};
    for (int i = 0; i < 12; ++i) EXPECT_EQ(CAssistantHtml::StepColour(i), expected[i]) << i;
    EXPECT_EQ(CAssistantHtml::StepColour(12), "\"#000000\"");
    EXPECT_EQ(CAssistantHtml::StepColour(-1), "\"#000000\"");
}

TEST(AssistantHtml, FragmentsAreTheExactMarkup) {
    EXPECT_EQ(CAssistantHtml::Heading("Bild Öffnen", 3, 4),
              "<table border=\"1\" width=\"100%\" cellspacing=0 cellpadding=0 "
              "bordercolorlight=\"#00FF00\" bordercolordark=\"#000000\"><tr><td width=\"100%\"><b>"
              "<font size=\"2\" color=\"#339933\" face=\"Verdana\">Bild Öffnen</font></b></td></tr>"
              "</table>");
    EXPECT_EQ(CAssistantHtml::Spacer(0), "<hr size=\"10\" width=\"10\">");
    EXPECT_EQ(CAssistantHtml::Spacer(4), "<hr size=\"10\" color=\"#00FF00\" width=\"10\">");
    EXPECT_EQ(CAssistantHtml::Bar(0, 0), "<hr size=\"2\" width=\"10\">");
    EXPECT_EQ(CAssistantHtml::Bar(0, 1), "<hr size=\"2\" width=\"20\">");
    EXPECT_EQ(CAssistantHtml::Bar(8, 0), "<hr size=\"2\" color=\"#FFFF00\" width=\"10\">");
    EXPECT_EQ(CAssistantHtml::Bar(7, 1), "<hr size=\"2\" color=\"#808080\" width=\"20\">");
    EXPECT_EQ(CAssistantHtml::StepRow("CELL", 1, "SP", "BAR"),
              "<table border=\"0\" width=\"140\" cellspacing=0 cellpadding=0 "
              "bordercolorlight=\"#FFFFFF\" bordercolordark=\"#000000\"><tr><td "
              "bordercolorlight=\"#FFFFFF\" bordercolordark=\"#000000\" width=\"5\">SP</td><td "
              "bordercolorlight=\"#FFFFFF\" bordercolordark=\"#000000\" width=\"5\">BAR</td><td "
              "width=\"180\">CELL</td></tr></table>");
    EXPECT_EQ(CAssistantHtml::Button("Zielbild", 11, 5, 0),
              "<table border=\"1\" width=\"140\" cellspacing=0 cellpadding=0 "
              "bordercolorlight=\"#0000FF\" bordercolordark=\"#000000\"><tr><td width=\"100%\"><b>"
              "<font size=\"3\" color=\"#0066FF\" face=\"Verdana\"><p align=\"center\">Zielbild"
              "</font></b></td></tr></table>");
    EXPECT_EQ(CAssistantHtml::Button("Z", 7, 7, 1),
              "<p></p>" + CAssistantHtml::Button("Z", 7, 7, 0));
    EXPECT_EQ(CAssistantHtml::Page("BODY"),
              "<html><body bgcolor=\"#000000\" text=\"#FFFFFF\" link=\"#FFFF99\" "
              "vlink=\"#FFFF00\" alink=\"#FFFF00\">BODY</html></body>");
}

TEST(AssistantHtml, StatusIsAStepRowOfHeadingSpacerAndBar) {
    // The done row of the example: green spacer and bar, heading framed and written in #339933.
    EXPECT_EQ(CAssistantHtml::Status("Bild Öffnen", 0, 4, 3),
              CAssistantHtml::StepRow(CAssistantHtml::Heading("Bild Öffnen", 3, 3), 0,
                                      "<hr size=\"10\" color=\"#00FF00\" width=\"10\">",
                                      "<hr size=\"2\" color=\"#00FF00\" width=\"10\">"));
}

// The twelve rows' German plain and current texts and their indent.
struct RowText {
    const char* plain;
    const char* current;
    int indent;
};
const RowText kRowTexts[12] = {
    {"Bild Öffnen", "<a href = \"app:OPEN\"><font color=\"#FFFF99\">Bild Öffnen</a>", 0},
    {"Punkte oder Rechteck messen",
     "<a href = \"app:MEAS_PT\"><font color=\"#FFFF99\">Punkte</a><font color=\"#FFFF00\"> oder "
     "<a href = \"app:MEAS_RC\"><font color=\"#FFFF99\">Rechteck</a><font color=\"#FFFF00\"> "
     "messen",
     0},
    {"Bild entzerren", "<a href = \"app:RECTIFY\"><font color=\"#FFFF99\">Bild entzerren</a>", 0},
    {"Koordinaten eingeben", "Koordinaten eingeben", 1},
    {"Verzeichnung korrigieren", "Verzeichnung korrigieren", 1},
    {"Ebene berechnen", "Ebene berechnen", 1},
    {"Bild entzerren", "Bild entzerren", 1},
    {"Bild schließen", "<a href = \"app:CLOSES\"><font color=\"#FFFF99\">Bild schließen</a>", 0},
    {"Bild zuschneiden", "Bild zuschneiden", 0},
    {"Bild speichern", "<a href = \"app:SAVE\"><font color=\"#FFFF99\">Bild speichern</a>", 0},
    {"Messen im Bild", "Messen im Bild", 0},
    {"Bild schließen", "<a href = \"app:CLOSET\"><font color=\"#FFFF99\">Bild schließen</a>", 0},
};

// The page expected for row states written as "d" done, "C" current with its current text,
// "c" current with its plain text, "f" future, "u" unavailable.
QString ExpectedPage(bool source, const QString& states) {
    const QStringList codes = states.split(' ');
    EXPECT_EQ(codes.size(), 12);
    QString body = source ? CAssistantHtml::Button("Ausgangsbild", 11, 5, 0)
                          : CAssistantHtml::Button("Ausgangsbild", 7, 7, 0);
    for (int r = 0; r < 12 && r < codes.size(); ++r) {
        if (r == 8) {
            body += source ? CAssistantHtml::Button("Zielbild", 7, 7, 1)
                           : CAssistantHtml::Button("Zielbild", 11, 5, 1);
        }
        const QString& code = codes[r];
        const int s = code == "d"                                   ? 4
                      : code.compare("c", Qt::CaseInsensitive) == 0 ? 8
                      : code == "f"                                 ? 0
                                                                    : 7;
        const int t = code == "d"                                   ? 3
                      : code.compare("c", Qt::CaseInsensitive) == 0 ? 8
                      : code == "f"                                 ? 6
                                                                    : 7;
        const QString text =
            QString::fromUtf8(code == "C" ? kRowTexts[r].current : kRowTexts[r].plain);
        body += CAssistantHtml::Status(text, kRowTexts[r].indent, s, t);
    }
    return CAssistantHtml::Page(body);
}

struct PageCase {
    const char* name;
    CAssistantInputs inputs;
    int firstStep;
    int lastStep;
    const char* states;
};

constexpr CAssistantInputs kNoDocument{};
constexpr CAssistantInputs kPoints3D{true, true, 1, false};
constexpr CAssistantInputs kPoints3DCorrected{true, true, 1, true};
constexpr CAssistantInputs kPoints2D{true, false, 1, false};
constexpr CAssistantInputs kPoints2DCorrected{true, false, 1, true};
constexpr CAssistantInputs kRectangle{true, false, 0, false};
constexpr CAssistantInputs kRectangle3D{true, true, 0, false};
constexpr CAssistantInputs kTarget{false, false, 1, false};

const PageCase kPageCases[] = {
    {"no document", kNoDocument, 0, 0, "C f f f f u f f u u u u"},
    {"3D points", kPoints3D, 0, 0, "C f f f f f f f u u u u"},
    {"3D points", kPoints3D, 1, 1, "d C f f f f f f u u u u"},
    {"3D points", kPoints3D, 2, 2, "d d C f f f f f u u u u"},
    {"3D points", kPoints3D, 3, 3, "d d d C f f f f u u u u"},
    {"3D points", kPoints3D, 4, 4, "d d d d C f f f u u u u"},
    {"3D points", kPoints3D, 5, 5, "d d d d u C f f u u u u"},
    {"3D points", kPoints3D, 6, 6, "d d d d u d C f u u u u"},
    {"3D points", kPoints3D, 7, 7, "d d d d u d d C u u u u"},
    {"3D points", kPoints3D, 8, 10, "d d d d u d d d u u u u"},
    {"3D points corrected", kPoints3DCorrected, 4, 4, "d d d d C f f f u u u u"},
    {"3D points corrected", kPoints3DCorrected, 5, 5, "d d d d d C f f u u u u"},
    {"3D points corrected", kPoints3DCorrected, 7, 7, "d d d d d d d C u u u u"},
    {"2D points", kPoints2D, 3, 3, "d d d C f u f f u u u u"},
    {"2D points", kPoints2D, 4, 4, "d d d d C u f f u u u u"},
    {"2D points", kPoints2D, 5, 6, "d d d d u u C f u u u u"},
    {"2D points corrected", kPoints2DCorrected, 6, 6, "d d d d d u C f u u u u"},
    {"rectangle", kRectangle, 2, 2, "d d C f u u f f u u u u"},
    {"rectangle", kRectangle, 3, 3, "d d d C u u f f u u u u"},
    {"rectangle", kRectangle, 4, 6, "d d d d u u C f u u u u"},
    {"rectangle 3D", kRectangle3D, 4, 6, "d d d d u u C f u u u u"},
    {"rectangle", kRectangle, 7, 7, "d d d d u u d C u u u u"},
    {"target", kTarget, 0, 8, "u u u u u u u u c C f f"},
    {"target", kTarget, 9, 9, "u u u u u u u u d C f f"},
    {"target", kTarget, 10, 10, "u u u u u u u u d d c C"},
};

TEST(AssistantHtml, PageForEveryStepAndDocumentState) {
    for (const PageCase& c : kPageCases) {
        for (int step = c.firstStep; step <= c.lastStep; ++step) {
            EXPECT_EQ(CAssistantHtml::StepPage(step, c.inputs),
                      ExpectedPage(c.inputs.sourceDocument, QString::fromLatin1(c.states)))
                << c.name << ", step " << step;
        }
    }
}

TEST(AssistantHtml, EveryStepOfEveryDocumentHasOneCurrentLinkRowAtMost) {
    // Whatever the flags, the page stays well formed: twelve rows, and the source and target
    // sections never both have a current row.
    for (int flags = 0; flags < 16; ++flags) {
        const CAssistantInputs in{(flags & 1) != 0, (flags & 2) != 0, (flags & 4) ? 1 : 0,
                                  (flags & 8) != 0};
        for (int step = 0; step <= 10; ++step) {
            const CAssistantHtml::Rows rows = CAssistantHtml::RowStates(step, in);
            int linked = 0;
            bool sourceCurrent = false;
            bool targetCurrent = false;
            for (int r = 0; r < 12; ++r) {
                linked += rows[r].currentText ? 1 : 0;
                if (rows[r].state == CAssistantHtml::RowState::Current) {
                    (r < 8 ? sourceCurrent : targetCurrent) = true;
                }
                if (rows[r].currentText) {
                    EXPECT_EQ(rows[r].state, CAssistantHtml::RowState::Current) << flags << step;
                }
            }
            EXPECT_LE(linked, 1) << flags << " step " << step;
            EXPECT_FALSE(sourceCurrent && targetCurrent) << flags << " step " << step;
        }
    }
}

}  // namespace
