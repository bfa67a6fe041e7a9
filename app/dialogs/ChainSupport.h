#pragma once
// Helpers shared by the dialogs of the rectification chain: the workflow step they post, the
// row images of their point lists and the number formats of their list columns.

#include <QIcon>
#include <QString>
#include <vector>

class QLineEdit;

namespace chain {

// Posts WM_APP_WORKFLOW_STEP with the step to the main window.
void PostWorkflowStep(int step);

// Row images of a point list: 0 a crossed-out point mark (switched off), 1 the point mark.
const std::vector<QIcon>& PointMarkImages();
// The rectangle dialog's single row image, a cross mark.
const std::vector<QIcon>& CrossMarkImages();

// A value formatted by the pattern ("-9.%if", "8.%if") with that many decimals.
QString FormatNumber(const char* pattern, int decimals, double value);

// Shows the message, puts the focus into the field and selects its text.
void FailAt(QLineEdit* field, const QString& message);

}  // namespace chain
