#include "CAssistantHtml.h"

#include "StringTable.h"

namespace {

struct RowDef {
    int plainText;
    int currentText;
    int indent;
};

// Plain and current text ids of the twelve rows; the current texts carry the rows' links.
constexpr RowDef kRows[CAssistantHtml::kRowCount] = {
    {10106, 10116, 0}, {10107, 10117, 0}, {10108, 10118, 0}, {10109, 10109, 1},
    {10110, 10110, 1}, {10111, 10111, 1}, {10112, 10112, 1}, {10113, 10119, 0},
    {10123, 10123, 0}, {10124, 10129, 0}, {10125, 10125, 0}, {10126, 10131, 0},
};

constexpr int kSourceHeading = 10114;
constexpr int kTargetHeading = 10127;
constexpr int kFirstTargetRow = 8;

bool RowAvailable(int row, int step, const CAssistantInputs& in) {
    switch (row) {
        case 4:
            return step <= 4 ? (in.sourceDocument && in.measuringMode == 1)
                             : in.distortionCorrected;
        case 5:
            return in.is3D && in.sourceDocument && in.measuringMode == 1;
        default:
            return row < kFirstTargetRow ? in.sourceDocument : !in.sourceDocument;
    }
}

// Spacer/bar index s and text/frame index t of a row state.
void StateColours(CAssistantHtml::RowState state, int& s, int& t) {
    switch (state) {
        case CAssistantHtml::RowState::Done:
            s = 4;
            t = 3;
            return;
        case CAssistantHtml::RowState::Current:
            s = 8;
            t = 8;
            return;
        case CAssistantHtml::RowState::Future:
            s = 0;
            t = 6;
            return;
        case CAssistantHtml::RowState::Unavailable:
            s = 7;
            t = 7;
            return;
    }
}

QString Text(int id) { return QString::fromStdString(strings::Load(id)); }

}  // namespace

QString CAssistantHtml::StepColour(int index) {
    static const char* const kColours[] = {
        "",
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
        "\"#0066FF\"",
    };
    if (index < 0 || index >= static_cast<int>(std::size(kColours))) return "\"#000000\"";
    return kColours[index];
}

QString CAssistantHtml::Heading(const QString& text, int a, int b) {
    return "<table border=\"1\" width=\"100%\" cellspacing=0 cellpadding=0 bordercolorlight=" +
           StepColour(b) +
           " bordercolordark=\"#000000\"><tr><td width=\"100%\"><b><font size=\"2\" color=" +
           StepColour(a) + " face=\"Verdana\">" + text + "</font></b></td></tr></table>";
}

QString CAssistantHtml::Spacer(int c) {
    const QString colour = StepColour(c);
    if (colour.isEmpty()) return "<hr size=\"10\" width=\"10\">";
    return "<hr size=\"10\" color=" + colour + " width=\"10\">";
}

QString CAssistantHtml::Bar(int c, int indent) {
    const QString width = QString::asprintf("\"%i\"", 10 * indent + 10);
    const QString colour = StepColour(c);
    if (colour.isEmpty()) return "<hr size=\"2\" width=" + width + ">";
    return "<hr size=\"2\" color=" + colour + " width=" + width + ">";
}

QString CAssistantHtml::StepRow(const QString& cell, int /*indent*/, const QString& spacer,
                                const QString& bar) {
    return QString::asprintf(
               "<table border=\"0\" width=\"%i\" cellspacing=0 cellpadding=0 "
               "bordercolorlight=\"#FFFFFF\" bordercolordark=\"#000000\">",
               140) +
           "<tr><td bordercolorlight=\"#FFFFFF\" bordercolordark=\"#000000\" width=\"5\">" +
           spacer +
           "</td><td bordercolorlight=\"#FFFFFF\" bordercolordark=\"#000000\" width=\"5\">" + bar +
           "</td><td width=\"180\">" + cell + "</td></tr></table>";
}

QString CAssistantHtml::Status(const QString& text, int indent, int s, int t) {
    return StepRow(Heading(text, t, t), indent, Spacer(s), Bar(s, indent));
}

QString CAssistantHtml::Button(const QString& text, int a, int b, int gap) {
    return QString(gap == 1 ? "<p></p>" : "") +
           "<table border=\"1\" width=\"140\" cellspacing=0 cellpadding=0 bordercolorlight=" +
           StepColour(b) +
           " bordercolordark=\"#000000\"><tr><td width=\"100%\"><b><font size=\"3\" color=" +
           StepColour(a) + " face=\"Verdana\"><p align=\"center\">" + text +
           "</font></b></td></tr></table>";
}

QString CAssistantHtml::Page(const QString& body) {
    return "<html><body bgcolor=\"#000000\" text=\"#FFFFFF\" link=\"#FFFF99\" vlink=\"#FFFF00\" "
           "alink=\"#FFFF00\">" +
           body + "</html></body>";
}

CAssistantHtml::Rows CAssistantHtml::RowStates(int step, const CAssistantInputs& inputs) {
    Rows rows;
    int c = step;
    for (int r = 0; r < kRowCount; ++r) {
        Row& row = rows[r];
        if (!RowAvailable(r, step, inputs)) {
            row.state = RowState::Unavailable;
            if (r == c) ++c;  // the current position passes to the next row
        } else if (r < c) {
            row.state = RowState::Done;
        } else if (r == c) {
            row.state = RowState::Current;
            // Cropping and measuring are optional: the row after them is current as well.
            if (c == 8 || c == 10) ++c;
        } else {
            row.state = RowState::Future;
        }
        row.currentText = (r == c);
    }
    return rows;
}

QString CAssistantHtml::StepPage(int step, const CAssistantInputs& inputs) {
    const Rows rows = RowStates(step, inputs);
    QString body = inputs.sourceDocument ? Button(Text(kSourceHeading), 11, 5, 0)
                                         : Button(Text(kSourceHeading), 7, 7, 0);
    for (int r = 0; r < kRowCount; ++r) {
        if (r == kFirstTargetRow) {
            body += inputs.sourceDocument ? Button(Text(kTargetHeading), 7, 7, 1)
                                          : Button(Text(kTargetHeading), 11, 5, 1);
        }
        int s = 0;
        int t = 0;
        StateColours(rows[r].state, s, t);
        const RowDef& def = kRows[r];
        body +=
            Status(Text(rows[r].currentText ? def.currentText : def.plainText), def.indent, s, t);
    }
    return Page(body);
}
