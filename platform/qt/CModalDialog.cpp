#include "CModalDialog.h"

#include "ModalRunner.h"

int CModalDialog::DoModal() {
    if (!OnInitDialog()) return QDialog::Rejected;
    return modal::Run(*this);
}
