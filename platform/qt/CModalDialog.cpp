#include "CModalDialog.h"

#include "ModalRunner.h"

int CModalDialog::DoModal() {
    if (!OnInitDialog()) return QDialog::Rejected;
    return modal::Run(*this);
}

void CModalDialog::SetTabChain(std::initializer_list<QWidget*> controls) {
    QWidget* previous = nullptr;
    for (QWidget* control : controls) {
        if (previous) QWidget::setTabOrder(previous, control);
        previous = control;
    }
}
