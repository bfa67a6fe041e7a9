#include "ModalRunner.h"

#include <QDialog>

namespace modal {
namespace {
Runner g_runner;
}

int Run(QDialog& dialog) { return g_runner ? g_runner(dialog) : dialog.exec(); }

void SetRunner(Runner runner) { g_runner = std::move(runner); }

}  // namespace modal
