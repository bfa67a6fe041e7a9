#include "CPunktbezeichnungDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "CMainFrame.h"
#include "CTesseloApp.h"
#include "CTesseloDoc.h"
#include "UserInterface.h"

CPunktbezeichnungDlg::CPunktbezeichnungDlg(QWidget* parent)
    : CModalDialog(parent),
      m_label(new QLabel(tr("Punktbezeichnung"), this)),
      m_edit(new QLineEdit(this)),
      m_ok(new QPushButton(tr("OK"), this)) {
    setObjectName(QStringLiteral("132"));
    setWindowTitle(tr("Punktbezeichnung"));
    m_label->setObjectName(QStringLiteral("1055"));
    m_edit->setObjectName(QStringLiteral("1004"));
    m_edit->setMinimumWidth(220);
    m_ok->setObjectName(QStringLiteral("1"));
    m_ok->setDefault(true);
    auto* cancel = new QPushButton(tr("Abbrechen"), this);
    cancel->setObjectName(QStringLiteral("2"));
    cancel->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    layout->addWidget(m_edit);
    layout->addLayout(buttons);

    connect(m_edit, &QLineEdit::textChanged, this, [this] { OnChangeName(); });
    connect(m_ok, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

bool CPunktbezeichnungDlg::IsValidPointName(const QString& name) {
    return !name.contains(QLatin1Char(' ')) && !name.contains(QLatin1Char('\t')) &&
           !name.contains(QLatin1Char(';'));
}

QString CPunktbezeichnungDlg::CurrentText() const {
    return m_freeText ? m_edit->text() : m_edit->text().trimmed();
}

bool CPunktbezeichnungDlg::OnInitDialog() {
    if (!m_caption.isEmpty()) {
        setWindowTitle(m_caption);
        m_label->setText(m_caption);
    }
    m_edit->setText(m_name);
    OnChangeName();
    m_edit->selectAll();
    m_edit->setFocus();
    return true;
}

void CPunktbezeichnungDlg::OnChangeName() { m_ok->setEnabled(!CurrentText().isEmpty()); }

void CPunktbezeichnungDlg::OnOK() {
    const QString text = CurrentText();
    if (text.isEmpty()) return;
    if (!m_freeText && !IsValidPointName(text)) {
        ui::Message(tr("Die Punktbezeichnung darf keine Leerzeichen, Tabulatoren und kein ';' "
                       "enthalten.")
                        .toStdString(),
                    ui::Buttons::Ok, ui::Icon::Warning);
        m_edit->setFocus();
        m_edit->selectAll();
        return;
    }
    m_name = text;
    accept();
}

void CPunktbezeichnungDlg::InstallAsPointNameAsker() {
    CTesseloDoc::SetPointNameAsker([](const QString& caption, QString& name) {
        CTesseloApp* app = CTesseloApp::Instance();
        CPunktbezeichnungDlg dialog(app ? app->MainFrame() : nullptr);
        dialog.m_caption = caption;
        dialog.m_name = name;
        if (dialog.DoModal() != QDialog::Accepted) return false;
        name = dialog.m_name;
        return true;
    });
}
