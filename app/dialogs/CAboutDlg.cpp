#include "CAboutDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "CMainFrame.h"
#include "CTesseloApp.h"
#include "QtStringLookup.h"
#include "ShellOpen.h"
#include "UserInterface.h"
#include "controls/CToolBarImages.h"

CAboutDlg::CAboutDlg(QWidget* parent) : CModalDialog(parent), m_version(new QLabel(this)) {
    setObjectName(QStringLiteral("100"));
    setWindowTitle(tr("Info über Tesselo"));

    auto* icon = new QLabel(this);
    icon->setPixmap(CToolBarImages::ProgramIcon().pixmap(32, 32));
    auto* text = new QLabel(tr("Foto - Entzerrung: 2D -> 2D"), this);
    QFont bold = text->font();
    bold.setBold(true);
    text->setFont(bold);
    auto* picture = new QLabel(this);
    picture->setPixmap(CToolBarImages::RectificationPicture(220, 90));
    picture->setAlignment(Qt::AlignCenter);
    m_version->setObjectName(QStringLiteral("1068"));

    auto* manual = new QPushButton(tr("Word Handbuch öffnen..."), this);
    manual->setObjectName(QStringLiteral("1036"));
    manual->setAutoDefault(false);
    auto* ok = new QPushButton(tr("OK"), this);
    ok->setObjectName(QStringLiteral("1"));
    ok->setDefault(true);

    auto* head = new QHBoxLayout;
    head->addWidget(icon);
    auto* texts = new QVBoxLayout;
    texts->addWidget(text);
    texts->addWidget(m_version);
    head->addLayout(texts, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(manual);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 18, 18, 14);
    layout->setSpacing(12);
    layout->addLayout(head);
    layout->addWidget(picture);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(manual, &QPushButton::clicked, this, &CAboutDlg::OnOpenManual);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

bool CAboutDlg::OnInitDialog() {
    SetVersionText();
    return true;
}

void CAboutDlg::SetVersionText() {
    const CTesseloApp* app = CTesseloApp::Instance();
    m_version->setText(tr("Version %1").arg(app ? app->VersionText() : QString()));
}

QString CAboutDlg::ManualPath(int language) {
    int id = 0;
    if (language == 0)
        id = 10004;
    else if (language == 1)
        id = 10105;
    else
        return QString();
    const CTesseloApp* app = CTesseloApp::Instance();
    return (app ? app->StartDirectory() : QString()) + QLatin1Char('/') + LoadQString(id);
}

void CAboutDlg::OnOpenManual() {
    const CTesseloApp* app = CTesseloApp::Instance();
    const int language = app && app->MainFrame() ? app->MainFrame()->Language() : 0;
    const QString path = ManualPath(language);
    if (path.isEmpty()) return;
    const int result = ShellOpen(path);
    if (result <= 32) ui::Message(ShellResultText(result, LoadQString(10003)).toStdString());
}
