#include "CKoordinatenDlg.h"

#include <QClipboard>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "CMyFileDialog.h"
#include "CPunktbezeichnungDlg.h"
#include "CTesseloDoc.h"
#include "CTesseloView.h"
#include "DocumentPaths.h"
#include "QtStringLookup.h"
#include "TextFile.h"
#include "UserInterface.h"
#include "controls/CListCtrlEx.h"

namespace {

// Item role that keeps a row's point index.
constexpr int kPointRole = Qt::UserRole + 1;

QFont ProtocolFont() {
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSizeF(8.5);
    return font;
}

}  // namespace

CKoordinatenDlg::CKoordinatenDlg(QWidget* parent)
    : CModalDialog(parent),
      m_delete(new QPushButton(QStringLiteral("X"), this)),
      m_down(new QPushButton(QStringLiteral("\\/"), this)),
      m_up(new QPushButton(QStringLiteral("/\\"), this)),
      m_protocolEdit(new QPlainTextEdit(this)),
      m_radio2D(new QRadioButton(QStringLiteral("2D"), this)),
      m_radio3D(new QRadioButton(QStringLiteral("3D"), this)),
      m_list(new CListCtrlEx(this)) {
    setObjectName(QStringLiteral("158"));
    setWindowTitle(tr("Koordinaten"));
    m_delete->setObjectName(QStringLiteral("1027"));
    m_down->setObjectName(QStringLiteral("1046"));
    m_up->setObjectName(QStringLiteral("1045"));
    m_protocolEdit->setObjectName(QStringLiteral("1053"));
    m_protocolEdit->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_protocolEdit->setTabChangesFocus(true);
    m_protocolEdit->setMinimumSize(420, 160);
    m_radio2D->setObjectName(QStringLiteral("1024"));
    m_radio3D->setObjectName(QStringLiteral("1025"));
    m_list->setObjectName(QStringLiteral("1044"));
    m_list->setMinimumSize(420, 180);
    auto* close = new QPushButton(tr("Schließen"), this);
    close->setObjectName(QStringLiteral("2"));
    auto* deleteAll = new QPushButton(tr("Alle löschen"), this);
    deleteAll->setObjectName(QStringLiteral("1048"));
    auto* exportButton = new QPushButton(tr("Export..."), this);
    exportButton->setObjectName(QStringLiteral("1049"));
    auto* copy = new QPushButton(tr("Copy"), this);
    copy->setObjectName(QStringLiteral("1047"));
    for (QPushButton* b : {m_delete, m_down, m_up, deleteAll, exportButton, copy}) {
        b->setAutoDefault(false);
    }
    for (QPushButton* b : {m_delete, m_down, m_up}) b->setFixedWidth(32);

    auto* listButtons = new QVBoxLayout;
    listButtons->addWidget(m_delete);
    listButtons->addWidget(m_up);
    listButtons->addWidget(m_down);
    listButtons->addStretch(1);
    auto* choice = new QHBoxLayout;
    choice->addWidget(new QLabel(tr("Koordinaten"), this));
    choice->addStretch(1);
    choice->addWidget(m_radio2D);
    choice->addWidget(m_radio3D);
    auto* grid = new QGridLayout;
    grid->addLayout(choice, 0, 0);
    grid->addWidget(m_list, 1, 0);
    grid->addLayout(listButtons, 1, 1);
    grid->addWidget(new QLabel(tr("Protokoll"), this), 2, 0);
    grid->addWidget(m_protocolEdit, 3, 0);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(deleteAll);
    buttons->addWidget(exportButton);
    buttons->addWidget(copy);
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    SetTabChain({m_radio2D, m_radio3D, m_list, m_delete, m_up, m_down, m_protocolEdit, deleteAll,
                 exportButton, copy, close});

    connect(m_radio2D, &QRadioButton::clicked, this, [this] { FillList(); });
    connect(m_radio3D, &QRadioButton::clicked, this, [this] { FillList(); });
    connect(m_list, &QTableWidget::itemSelectionChanged, this, [this] { UpdateButtons(); });
    connect(m_delete, &QPushButton::clicked, this, [this] { OnDelete(); });
    connect(m_up, &QPushButton::clicked, this, [this] { OnMoveUp(); });
    connect(m_down, &QPushButton::clicked, this, [this] { OnMoveDown(); });
    connect(deleteAll, &QPushButton::clicked, this, [this] { OnDeleteAll(); });
    connect(exportButton, &QPushButton::clicked, this, [this] { OnExport(); });
    connect(copy, &QPushButton::clicked, this, [this] { OnCopy(); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
}

std::vector<CMeasuredPoint> CKoordinatenDlg::MeasuredPoints(const CTesseloDoc& doc) {
    std::vector<CMeasuredPoint> points;
    const CMeasurePointList& list = doc.m_measurePoints;
    for (int i = 0; i < list.Size(); ++i) {
        CMeasuredPoint p;
        p.name = list.names[i];
        const double x = list.x[size_t(i)], y = list.y[size_t(i)];
        doc.PixelToTarget(x, y, p.a, p.b);
        doc.PixelToPlane3D(x, y, p.e, p.n, p.h);
        points.push_back(p);
    }
    return points;
}

QString CKoordinatenDlg::DefaultExportName(const QString& title) {
    QString name = title;
    // The target prefix of the interface language ("ZIEL  -  " in German), as the title has it.
    const QString prefix = LoadQString(10067).section(QStringLiteral("%s"), 0, 0);
    if (name.startsWith(prefix) && name.size() > prefix.size()) name = name.mid(prefix.size());
    name = GetPathTitle(name);
    return name.isEmpty() ? QStringLiteral("*.dat") : name + QStringLiteral(".dat");
}

bool CKoordinatenDlg::IsPolygon() const {
    const CTesseloView* view = m_doc ? m_doc->GetFirstView() : nullptr;
    return view && view->m_tool == 4;
}

void CKoordinatenDlg::InvalidateView() const {
    if (CTesseloView* view = m_doc ? m_doc->GetFirstView() : nullptr) view->viewport()->update();
}

void CKoordinatenDlg::UpdateData(bool fromControls) {
    if (fromControls) {
        m_choice3D = m_radio3D->isChecked() ? 1 : 0;
        m_protocol = m_protocolEdit->toPlainText();
        // The edit shows lines; the protocol keeps its CR LF line ends.
        m_protocol.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        m_protocol.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    } else {
        (m_choice3D ? m_radio3D : m_radio2D)->setChecked(true);
        m_protocolEdit->setPlainText(m_protocol);
    }
}

bool CKoordinatenDlg::OnInitDialog() {
    if (!m_doc) return false;
    m_protocolEdit->setFont(ProtocolFont());
    m_radio3D->setEnabled(m_doc->m_is3D != 0);
    m_choice3D = m_doc->m_is3D ? 1 : 0;
    UpdateData(false);
    FillList();
    UpdateButtons();
    return true;
}

void CKoordinatenDlg::FillList() {
    UpdateData(true);
    const bool polygon = IsPolygon();
    m_list->DeleteAllItems();
    m_list->DeleteAllColumns();
    m_protocol.clear();
    const int system = CMeasureProtocol::DisplaySystem(m_doc->m_koosys, m_choice3D);
    m_list->InsertColumnPercent(LoadQString(10027), 0, 13, CListCtrlEx::FormatLeft);
    const QStringList titles = CMeasureProtocol::ColumnTitles(system);
    for (int c = 0; c < 3; ++c)
        m_list->InsertColumnPercent(titles[c], c + 1, 25, CListCtrlEx::FormatRight);

    const std::vector<CMeasuredPoint> points = MeasuredPoints(*m_doc);
    for (size_t i = 0; i < points.size(); ++i) {
        const int row = m_list->SetItemTextEx(points[i].name, int(i));
        m_list->item(row, 0)->setData(kPointRole, int(i));
        const QStringList values = CMeasureProtocol::Values(points[i], system, m_doc->m_decimals);
        for (int c = 0; c < values.size(); ++c) m_list->SetItemTextEx(values[c], row, c + 1);
    }
    m_protocol = CMeasureProtocol::Protocol(points, system, polygon, m_doc->m_decimals);
    UpdateData(false);
}

void CKoordinatenDlg::UpdateButtons() {
    QList<int> rows;
    for (const QModelIndex& index : m_list->selectionModel()->selectedRows()) rows << index.row();
    const bool one = rows.size() == 1;
    m_delete->setEnabled(one);
    m_up->setEnabled(one);
    m_down->setEnabled(one);
}

void CKoordinatenDlg::OnDelete() {
    const int row = m_list->GetFirstSelected();
    if (row < 0) return;
    m_doc->m_measurePoints.RemoveAt(m_list->item(row, 0)->data(kPointRole).toInt());
    FillList();
    InvalidateView();
    if (m_doc->m_measurePoints.Size() == 0) m_doc->m_nextPointNumber = 1;
    m_list->SelectItem(std::min(row, m_list->GetItemCount() - 1), true);
    UpdateButtons();
}

void CKoordinatenDlg::MovePoint(int row, int to) {
    CMeasurePointList& list = m_doc->m_measurePoints;
    const int k = m_list->item(row, 0)->data(kPointRole).toInt();
    const int target = k + to;
    if (k < 0 || k >= list.Size() || target < 0 || target >= list.Size()) return;
    const QString name = list.names[k];
    const double x = list.x[size_t(k)], y = list.y[size_t(k)];
    list.RemoveAt(k);
    list.names.insert(target, name);
    list.x.insert(list.x.begin() + target, x);
    list.y.insert(list.y.begin() + target, y);
    FillList();
    m_list->SelectItem(row + to, true);
    m_list->setFocus();
    if (IsPolygon()) InvalidateView();
    UpdateButtons();
}

void CKoordinatenDlg::OnMoveUp() {
    const int row = m_list->GetFirstSelected();
    if (row > 0) MovePoint(row, -1);
}

void CKoordinatenDlg::OnMoveDown() {
    const int row = m_list->GetFirstSelected();
    if (row >= 0 && row < m_list->GetItemCount() - 1) MovePoint(row, +1);
}

void CKoordinatenDlg::OnDeleteAll() {
    m_doc->m_measurePoints.Clear();
    InvalidateView();
    FillList();
    m_doc->m_nextPointNumber = 1;
    UpdateButtons();
}

void CKoordinatenDlg::OnCopy() {
    UpdateData(true);
    if (QClipboard* clipboard = QGuiApplication::clipboard()) clipboard->setText(m_protocol);
}

void CKoordinatenDlg::OnExport() {
    if (m_doc->m_measurePoints.Size() == 0) {
        ui::MessageId(10022);
        return;
    }
    // Replacing an existing file is asked first, as in the other save dialogs.
    CMyFileDialog fileDialog(false, QString(), DefaultExportName(m_doc->GetTitle()),
                             CMyFileDialog::kHideReadOnly | CMyFileDialog::kOverwritePrompt,
                             QStringLiteral("All Files (*.*)|*.*|Txt-Files (*.txt)|*.txt|"
                                            "Dat-Files (*.dat)|*.dat||"),
                             this);
    if (fileDialog.DoModal() != QDialog::Accepted) return;
    const QString path = fileDialog.GetPathName();

    CPunktbezeichnungDlg headerDialog(this);
    headerDialog.SetFreeText(true);
    headerDialog.m_caption = LoadQString(10023);
    headerDialog.m_name = GetPathTitle(path);
    const QString header =
        headerDialog.DoModal() == QDialog::Accepted ? headerDialog.m_name : QString();

    QString error;
    if (CMeasureProtocol::WriteExportFile(path, header, MeasuredPoints(*m_doc), m_doc->m_koosys,
                                          m_doc->m_decimals, &error)) {
        ui::Message(FillPlaceholders(LoadQString(10024), {path}).toStdString());
    } else {
        ReportWriteFailure(path, error);
    }
}
