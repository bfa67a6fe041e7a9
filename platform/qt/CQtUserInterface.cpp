#include "CQtUserInterface.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMessageBox>

#include "CLongLoopFilter.h"
#include "WindowTitleRoom.h"

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

// The buttons speak the interface language, not the toolkit's.
void TranslateButtons(QMessageBox& box) {
    const struct {
        QMessageBox::StandardButton button;
        const char* text;
    } texts[] = {
        {QMessageBox::Ok, QT_TRANSLATE_NOOP("CQtUserInterface", "OK")},
        {QMessageBox::Cancel, QT_TRANSLATE_NOOP("CQtUserInterface", "Abbrechen")},
        {QMessageBox::Yes, QT_TRANSLATE_NOOP("CQtUserInterface", "&Ja")},
        {QMessageBox::No, QT_TRANSLATE_NOOP("CQtUserInterface", "&Nein")},
    };
    for (const auto& t : texts)
        if (QAbstractButton* button = box.button(t.button))
            button->setText(QCoreApplication::translate("CQtUserInterface", t.text));
}

}  // namespace

ui::Answer CQtUserInterface::MessageBox(const std::string& text, ui::Buttons buttons,
                                        ui::Icon icon) {
    QMessageBox box(ToQt(icon), m_caption, QString::fromStdString(text), ToQt(buttons),
                    QApplication::activeWindow());
    TranslateButtons(box);
    // The box sizes itself for a title without the window manager's icon and buttons beside it.
    MakeRoomForTitle(box);
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
