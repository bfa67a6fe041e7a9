#include "CQtUserInterface.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>

#include "CLongLoopFilter.h"

namespace {

QMessageBox::Icon ToQt(ui::Icon icon) {
    switch (icon) {
        case ui::Icon::Information:
            return QMessageBox::Information;
        case ui::Icon::Warning:
            return QMessageBox::Warning;
        case ui::Icon::Error:
            return QMessageBox::Critical;
        case ui::Icon::Question:
            return QMessageBox::Question;
        case ui::Icon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ToQt(ui::Buttons buttons) {
    switch (buttons) {
        case ui::Buttons::OkCancel:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case ui::Buttons::YesNo:
            return QMessageBox::Yes | QMessageBox::No;
        case ui::Buttons::YesNoCancel:
            return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        case ui::Buttons::Ok:
            break;
    }
    return QMessageBox::Ok;
}

}  // namespace

ui::Answer CQtUserInterface::MessageBox(const std::string& text, ui::Buttons buttons,
                                        ui::Icon icon) {
    QMessageBox box(ToQt(icon), QApplication::applicationDisplayName(),
                    QString::fromStdString(text), ToQt(buttons), QApplication::activeWindow());
    CLongLoopFilter* filter = CLongLoopFilter::Active();
    if (filter) filter->SetSuspended(true);
    const int result = box.exec();
    if (filter) filter->SetSuspended(false);
    switch (result) {
        case QMessageBox::Yes:
            return ui::Answer::Yes;
        case QMessageBox::No:
            return ui::Answer::No;
        case QMessageBox::Cancel:
            return ui::Answer::Cancel;
        default:
            return ui::Answer::Ok;
    }
}

bool CQtUserInterface::EscapePressed() {
    CLongLoopFilter* filter = CLongLoopFilter::Active();
    return filter && filter->PollEscape();
}

void CQtUserInterface::BeginWaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }

void CQtUserInterface::EndWaitCursor() { QGuiApplication::restoreOverrideCursor(); }
