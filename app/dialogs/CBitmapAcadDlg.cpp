#include "CBitmapAcadDlg.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "CTesseloApp.h"
#include "CTesseloDoc.h"
#include "CadLink.h"
#include "TextFile.h"
#include "UserInterface.h"

CBitmapAcadDlg::CBitmapAcadDlg(QWidget* parent)
    : CModalDialog(parent),
      m_radio2D(new QRadioButton(QStringLiteral("2D"), this)),
      m_radio3D(new QRadioButton(QStringLiteral("3D"), this)) {
    setObjectName(QStringLiteral("150"));
    setWindowTitle(tr("Bitmap -> Acad"));
    m_radio2D->setObjectName(QStringLiteral("1024"));
    m_radio3D->setObjectName(QStringLiteral("1025"));
    auto* group = new QButtonGroup(this);
    group->addButton(m_radio2D, 0);
    group->addButton(m_radio3D, 1);

    auto* layout = new QVBoxLayout(this);
    auto* radios = new QHBoxLayout;
    radios->addWidget(m_radio2D);
    radios->addWidget(m_radio3D);
    radios->addStretch();
    layout->addLayout(radios);
    layout->addWidget(
        new QLabel(tr("Autocad 2000 starten ...\nDokument öffnen ...\nOK ..."), this));

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(tr("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("1"));
    ok->setDefault(true);
    QPushButton* cancel = buttons->addButton(tr("Abbrechen"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("2"));
    layout->addWidget(buttons);
    connect(ok, &QPushButton::clicked, this, &CBitmapAcadDlg::OnOK);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

bool CBitmapAcadDlg::OnInitDialog() {
    const CTesseloDoc* doc = GetActiveDocument();
    if (!doc) return false;
    m_mode = doc->m_is3D ? 1 : 0;
    (m_mode ? m_radio3D : m_radio2D)->setChecked(true);
    m_radio3D->setEnabled(doc->m_is3D != 0);
    return true;
}

void CBitmapAcadDlg::OnOK() {
    if (SendToCad()) accept();
}

int CBitmapAcadDlg::SendToCad() {
    m_mode = m_radio3D->isChecked() ? 1 : 0;
    const CTesseloDoc* doc = GetActiveDocument();
    if (!doc) return 0;

    int n = 0;
    while (n <= kMaxTransferNumber && QFileInfo::exists(CadTransferFileName(n))) ++n;
    if (n > kMaxTransferNumber) {
        ui::Message(tr("Zu viele temporäre Files\n\nTemp-Verzeichnis löschen").toStdString());
        return 1;
    }

    const int is3D = doc->m_is3D && m_mode == 1 ? 1 : 0;
    QString texts[16];
    doc->ComputeCadPlacement(is3D, texts);
    QString content = doc->m_imagePath + QLatin1Char('\n');
    content += QString::number(is3D) + QLatin1Char('\n');
    for (const QString& text : texts) content += text + QLatin1Char('\n');
    const QString path = CadTransferFileName(n);
    QString error;
    if (!WriteTextFile(path, content, &error)) {
        ReportWriteFailure(path, error);
        return 0;
    }

    const auto message = CTesseloApp::kToAcadMessage;
    if (!PostToCadInterface(message, n, 0, 1)) QFile::remove(path);
    return 1;
}
