#include "CModalDialog.h"

#include <QApplication>
#include <QPalette>

#include "ModalRunner.h"
#include "WindowTitleRoom.h"

int CModalDialog::DoModal() {
    if (!OnInitDialog()) return QDialog::Rejected;
    MakeRoomForTitle(*this);  // for the title the initialisation gave
    return modal::Run(*this);
}

void CModalDialog::SetTabChain(std::initializer_list<QWidget*> controls) {
    QWidget* previous = nullptr;
    for (QWidget* control : controls) {
        if (previous) QWidget::setTabOrder(previous, control);
        previous = control;
    }
}

void CModalDialog::ShowAsReadOnly(QWidget* field, bool readOnly) {
    QPalette palette = field->palette();
    const QPalette normal = QApplication::palette(field);
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
        palette.setBrush(group, QPalette::Base,
                         normal.brush(group, readOnly ? QPalette::Window : QPalette::Base));
    field->setPalette(palette);
}
