#pragma once
// The assistant page builder: stateless, every method returns a new HTML fragment. Colour
// parameters are indices into the colour index table (StepColour). The page shows the workflow
// as two sections of step rows; which row is done, current, coming or not applicable follows from
// the workflow step (0 to 10) and four flags of the active document.

#include <QString>
#include <array>

// The active document's flags that the page depends on. The defaults are the values used when no
// document is active (a new document's measuring mode is 1, control points).
struct CAssistantInputs {
    bool sourceDocument = true;
    bool is3D = false;
    int measuringMode = 1;  // 1 control points, 0 rectangle
    bool distortionCorrected = false;
};

class CAssistantHtml {
public:
    static constexpr int kRowCount = 12;

    enum class RowState { Done, Current, Future, Unavailable };

    struct Row {
        RowState state = RowState::Future;
        bool currentText = false;  // the row shows its current text (with its links)
    };
    using Rows = std::array<Row, kRowCount>;

    // The colour of index i with its enclosing double quotes; empty for 0, "#000000" beyond 11.
    static QString StepColour(int index);

    static QString Heading(const QString& text, int a, int b);
    static QString Spacer(int c);
    static QString Bar(int c, int indent);
    static QString StepRow(const QString& cell, int indent, const QString& spacer,
                           const QString& bar);
    static QString Status(const QString& text, int indent, int s, int t);
    static QString Button(const QString& text, int a, int b, int gap);
    static QString Page(const QString& body);

    // State of every row for workflow step (0 to 10) and the document's flags.
    static Rows RowStates(int step, const CAssistantInputs& inputs);

    // The whole page for a step, with the row texts of the current language.
    static QString StepPage(int step, const CAssistantInputs& inputs);
};
