#pragma once
// Every modal dialog run goes through here, so that tests can script a run: answer it, call
// the dialog's handlers, and return a result without showing anything.

#include <functional>

class QDialog;

namespace modal {

// Runs the dialog and returns its result (QDialog::Accepted or QDialog::Rejected).
using Runner = std::function<int(QDialog&)>;

int Run(QDialog& dialog);
// Replaces the runner; an empty function restores QDialog::exec.
void SetRunner(Runner runner);

}  // namespace modal
