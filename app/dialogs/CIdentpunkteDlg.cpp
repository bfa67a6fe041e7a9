#include "CIdentpunkteDlg.h"

#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <cmath>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <utility>

#include "CEinstellungenDlg.h"
#include "CErgebnisseAusgleichDlg.h"
#include "CErgebnisseEbeneDlg.h"
#include "CInfoDlg.h"
#include "CMyFileDialog.h"
#include "CNumberText.h"
#include "CTesseloApp.h"
#include "CTesseloDoc.h"
#include "CTesseloView.h"
#include "CVerzeichnungKorrigierenDlg.h"
#include "CWin1252.h"
#include "ChainSupport.h"
#include "QtStringLookup.h"
#include "UserInterface.h"
#include "Utilities.h"
#include "controls/CListCtrlEx.h"
#include "controls/CNumEdit.h"

namespace {

// Pop-up commands of the point list.
constexpr int kPointEdit = 32776;
constexpr int kPointOn = 32777;
constexpr int kPointOff = 32778;
constexpr int kPointDelete = 32779;

// Which reference array (1 = R1, 2 = R2, 3 = R3) shows as the first, second and third value of
// a coordinate system; null outside 0..4.
const int* AxisMapping(int koosys) {
    static const int kMapping[5][3] = {{1, 2, 3}, {2, 1, 3}, {2, 3, 1}, {2, 3, 1}, {3, 2, 1}};
    return koosys >= 0 && koosys <= 4 ? kMapping[koosys] : nullptr;
}

// Heading string of the reference columns of a coordinate system.
int HeadingId(int koosys) {
    static const int kHeadings[5] = {10028, 10030, 10033, 10035, 10037};
    return koosys >= 0 && koosys <= 4 ? kHeadings[koosys] : 10028;
}

bool IsBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\r') ||
           c == QLatin1Char('\n');
}

QStringView Trimmed(QStringView text) {
    qsizetype begin = 0, end = text.size();
    while (end > 0 && text.at(end - 1).isSpace()) --end;
    while (begin < end && text.at(begin).isSpace()) ++begin;
    return text.sliced(begin, end - begin);
}

// A coordinate field of the import: the whole token must be a finite number; "," is taken as
// the decimal point as in the numeric fields.
bool ParseCoordinate(QStringView token, double& value) {
    std::string text;
    text.reserve(size_t(token.size()));
    for (const QChar c : token) {
        if (c.unicode() >= 0x80) return false;  // no number holds such a character
        text += c == QLatin1Char(',') ? '.' : char(c.unicode());
    }
    double parsed = 0.0;
    if (!CNumberText::ParseDouble(text, parsed) || !std::isfinite(parsed)) return false;
    value = parsed;
    return true;
}

// The next line of the import file with its line end. It is read in pieces and joined once at
// its size, so that a line of any length is held once and not in a growing buffer.
QByteArray ReadLineBytes(QFile& file) {
    char piece[4096];
    std::vector<QByteArray> pieces;
    qsizetype size = 0;
    for (qint64 got; (got = file.readLine(piece, sizeof piece)) > 0;) {
        pieces.emplace_back(piece, qsizetype(got));
        size += qsizetype(got);
        if (piece[got - 1] == '\n') break;
    }
    if (pieces.size() == 1) return pieces.front();
    QByteArray bytes;
    bytes.reserve(size);
    for (QByteArray& p : pieces) {
        bytes += p;
        p = QByteArray();
    }
    return bytes;
}

// Files from Windows carry Windows-1252, newer ones UTF-8: a line is taken as UTF-8 when its
// bytes form UTF-8 with a multi-byte sequence, as CWin1252::ToUtf8 takes them.
QString DecodeLine(const QByteArray& bytes) {
    const std::string_view view(bytes.constData(), size_t(bytes.size()));
    if (CWin1252::TakenAsUtf8(view)) return QString::fromUtf8(QByteArrayView(bytes));
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char b : view) *out++ = QChar(char16_t(CWin1252::Character(uint8_t(b))));
    return text;
}

// A string-table text around its "%s": what comes before it and what after.
std::pair<std::string, std::string> TextAround(int id) {
    const std::string text = LoadQString(id).toStdString();
    const size_t at = text.find("%s");
    if (at == std::string::npos) return {text, {}};
    return {text.substr(0, at), text.substr(at + 2)};
}

QString Printf(int id, auto... args) {
    return QString::asprintf(LoadQString(id).toUtf8().constData(), args...);
}

// The import's report. A damaged file may list millions of incomplete lines: their numbers are
// written once, straight into the report, and not through copies of a growing text.
std::string ImportReport(int found, int missingCount, const QString& missing,
                         const std::deque<int>& incomplete) {
    std::string report = Printf(10085, found, found + missingCount).toStdString();
    const std::string missingText =
        missing.isEmpty() ? std::string()
                          : Printf(10087, missingCount, missing.toUtf8().constData()).toStdString();
    if (incomplete.empty() && missingText.empty()) return report;
    const auto [errorsBefore, errorsAfter] = TextAround(10088);
    const auto [linesBefore, linesAfter] = TextAround(10086);
    size_t size = report.size() + errorsBefore.size() + errorsAfter.size() + missingText.size() +
                  linesBefore.size() + linesAfter.size() + 2;
    for (const int n : incomplete) size += std::to_string(n).size() + 2;
    report.reserve(size);
    report += errorsBefore;
    if (!incomplete.empty()) {
        report += linesBefore;
        for (const int n : incomplete) {
            if (n != incomplete.front()) report += ", ";
            report += std::to_string(n);
        }
        report += linesAfter;
        if (!missingText.empty()) report += "\n\n";
    }
    report += missingText;
    report += errorsAfter;
    return report;
}

}  // namespace

CIdentpunkteDlg::CIdentpunkteDlg(QWidget* parent)
    : CModalDialog(parent),
      m_value3(new CNumEdit(this)),
      m_value2(new CNumEdit(this)),
      m_value1(new CNumEdit(this)),
      m_import(new QPushButton(tr("ASCII-File importieren ..."), this)),
      m_editAll(new QPushButton(tr("Alle Koordinaten bearbeiten"), this)),
      m_imageY(new CNumEdit(this)),
      m_imageX(new CNumEdit(this)),
      m_name(new QLineEdit(this)),
      m_apply(new QPushButton(tr("Übernehmen"), this)),
      m_cancelEdit(new QPushButton(tr("Abbrechen"), this)),
      m_ok(new QPushButton(tr("Weiter >>"), this)),
      m_cancel(new QPushButton(tr("Abbrechen"), this)),
      m_list(new CListCtrlEx(this)) {
    setObjectName(QStringLiteral("134"));
    setWindowTitle(tr("Identpunkte"));
    m_value3->setObjectName(QStringLiteral("1008"));
    m_value2->setObjectName(QStringLiteral("1004"));
    m_value1->setObjectName(QStringLiteral("1005"));
    m_import->setObjectName(QStringLiteral("1021"));
    m_editAll->setObjectName(QStringLiteral("1018"));
    m_imageY->setObjectName(QStringLiteral("1003"));
    m_imageX->setObjectName(QStringLiteral("1002"));
    m_name->setObjectName(QStringLiteral("1001"));
    m_apply->setObjectName(QStringLiteral("1006"));
    m_cancelEdit->setObjectName(QStringLiteral("1007"));
    m_ok->setObjectName(QStringLiteral("1"));
    m_cancel->setObjectName(QStringLiteral("2"));
    m_list->setObjectName(QStringLiteral("1010"));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setSortingEnabled(false);
    m_list->setMinimumSize(640, 260);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    auto* help = new QPushButton(QStringLiteral("?"), this);
    help->setObjectName(QStringLiteral("1019"));
    auto* koosys = new QPushButton(tr("Koord.-\nSystem"), this);
    koosys->setObjectName(QStringLiteral("1042"));

    // The point's name is read-only but stays a Tab stop.
    m_name->setReadOnly(true);
    ShowAsReadOnly(m_name, true);
    for (CNumEdit* edit : {m_imageX, m_imageY}) SetReadOnly(edit);
    for (CNumEdit* edit : {m_imageX, m_imageY, m_value1, m_value2, m_value3})
        edit->setAlignment(Qt::AlignRight);
    for (QPushButton* button : {m_import, m_editAll, m_apply, m_cancelEdit, m_cancel, help, koosys})
        button->setAutoDefault(false);
    m_ok->setDefault(true);

    auto* fields = new QGridLayout;
    const QString labels[] = {tr("Punkt"),   QStringLiteral("X1"), QStringLiteral("Y1"),
                              tr("1. Wert"), tr("2. Wert"),        tr("3. Wert")};
    QWidget* edits[] = {m_name, m_imageX, m_imageY, m_value1, m_value2, m_value3};
    for (int c = 0; c < 6; ++c) {
        auto* label = new QLabel(labels[c], this);
        label->setObjectName(QStringLiteral("label%1").arg(c));
        fields->addWidget(label, 0, c);
        fields->addWidget(edits[c], 1, c);
    }
    auto* editButtons = new QHBoxLayout;
    editButtons->addStretch(1);
    editButtons->addWidget(m_apply);
    editButtons->addWidget(m_cancelEdit);

    auto* side = new QVBoxLayout;
    side->addWidget(help);
    side->addWidget(koosys);
    side->addStretch(1);
    auto* top = new QHBoxLayout;
    top->addWidget(m_list, 1);
    top->addLayout(side);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_import);
    bottom->addWidget(m_editAll);
    bottom->addStretch(1);
    bottom->addWidget(m_cancel);
    bottom->addWidget(m_ok);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(fields);
    layout->addLayout(editButtons);
    layout->addLayout(bottom);
    SetTabChain({m_list, m_name, m_value1, m_value2, m_value3, help, m_editAll, m_apply,
                 m_cancelEdit, m_cancel, m_ok, m_import, koosys});

    connect(m_list, &QTableWidget::cellDoubleClicked, this, [this] { OnDblClkList(); });
    connect(m_list, &QWidget::customContextMenuRequested, this, &CIdentpunkteDlg::OnRClickList);
    connect(m_apply, &QPushButton::clicked, this, &CIdentpunkteDlg::OnApply);
    connect(m_cancelEdit, &QPushButton::clicked, this, &CIdentpunkteDlg::OnCancelEdit);
    connect(m_editAll, &QPushButton::clicked, this, &CIdentpunkteDlg::OnEditAll);
    connect(help, &QPushButton::clicked, this, &CIdentpunkteDlg::OnHelp);
    connect(m_import, &QPushButton::clicked, this, &CIdentpunkteDlg::OnImportAscii);
    connect(koosys, &QPushButton::clicked, this, &CIdentpunkteDlg::OnCoordinateSystem);
    connect(m_ok, &QPushButton::clicked, this, &CIdentpunkteDlg::OnOK);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CIdentpunkteDlg::SetDocument(CTesseloDoc& doc) {
    CControlPointList& points = doc.m_points;
    m_names = &points.names;
    m_x = &points.x;
    m_y = &points.y;
    m_r2 = &points.r2;
    m_r1 = &points.r1;
    m_r3 = &points.r3;
    m_use2D = &points.use2D;
    m_use3D = &points.use3D;
    m_is3D = &doc.m_is3D;
    m_koosys = &doc.m_koosys;
    m_decimals = &doc.m_decimals;
}

int CIdentpunkteDlg::RunNextStep(CTesseloDoc& doc, CDistortionCalibration& calibration,
                                 QWidget* parent) {
    CControlPointList& p = doc.m_points;
    CVerzeichnungKorrigierenDlg dialog(&p.x, &p.y, &p.r2, &p.r3, &p.use2D, &calibration, parent);
    return dialog.DoModal();
}

bool CIdentpunkteDlg::OnInitDialog() {
    if (!m_names || !m_x || !m_y || !m_r1 || !m_r2 || !m_r3 || !m_use2D || !m_use3D || !m_is3D ||
        !m_koosys || !m_decimals)
        return false;
    // The list's columns are sized from its width, which it has before the dialog shows.
    m_list->resize(m_list->minimumSize());
    m_list->SetImageList(chain::PointMarkImages());
    // The values are placed by the system's axes and the route is taken by the 3D flag, so
    // the two must agree here; a disagreeing flag read from a parameter file follows the
    // system, as it does when the system is changed.
    *m_is3D = *m_koosys < 2 ? 1 : 0;
    ApplyDecimals();
    ChooseActiveFlags();
    FillList(-1);
    UpdateControls();
    chain::PostWorkflowStep(3);
    return true;
}

int CIdentpunkteDlg::PointCount() const {
    const size_t sizes[] = {size_t(m_names->size()),
                            m_x->size(),
                            m_y->size(),
                            m_r1->size(),
                            m_r2->size(),
                            m_r3->size(),
                            m_use2D->size(),
                            m_use3D->size()};
    return int(*std::min_element(std::begin(sizes), std::end(sizes)));
}

std::vector<double>* CIdentpunkteDlg::ValueArray(int value) const {
    const int* mapping = AxisMapping(*m_koosys);
    if (!mapping || value < 0 || value > 2) return nullptr;
    switch (mapping[value]) {
        case 1:
            return m_r1;
        case 2:
            return m_r2;
        default:
            return m_r3;
    }
}

void CIdentpunkteDlg::ChooseActiveFlags() { m_active = *m_is3D ? m_use3D : m_use2D; }

void CIdentpunkteDlg::ApplyDecimals() {
    for (CNumEdit* edit : {m_value1, m_value2, m_value3}) edit->SetDecimals(*m_decimals);
}

void CIdentpunkteDlg::FillList(int select) {
    m_list->DeleteAllColumns();
    const QString pointHeadings = LoadQString(10081);
    const int widths[] = {13, 17, 17};
    for (int c = 0; c < 3; ++c)
        m_list->InsertColumnPercent(GetListToken(pointHeadings, c), c, widths[c]);
    const QString referenceHeadings = LoadQString(HeadingId(*m_koosys));
    for (int c = 0; c < 3; ++c) {
        const QString title = (*m_is3D || c < 2) ? GetListToken(referenceHeadings, c) : QString();
        m_list->InsertColumnPercent(title, 3 + c, 17);
    }

    m_list->DeleteAllItems();
    const int decimals = *m_decimals;
    const int columns = *m_is3D ? 3 : 2;
    for (int i = 0; i < PointCount(); ++i) {
        m_list->SetItemTextEx(m_names->at(i), i, 0, i == select, (*m_active)[i] ? 1 : 0);
        m_list->SetItemTextEx(chain::FormatNumber("-9.%if", decimals, (*m_x)[i]), i, 1);
        m_list->SetItemTextEx(chain::FormatNumber("-9.%if", decimals, (*m_y)[i]), i, 2);
        for (int c = 0; c < columns; ++c)
            if (const std::vector<double>* values = ValueArray(c))
                m_list->SetItemTextEx(chain::FormatNumber("-9.%if", decimals, (*values)[i]), i,
                                      3 + c);
    }
}

void CIdentpunkteDlg::UpdateControls() {
    const bool edit = m_editMode != 0;
    for (QWidget* w : {static_cast<QWidget*>(m_apply), static_cast<QWidget*>(m_cancelEdit),
                       static_cast<QWidget*>(m_name), static_cast<QWidget*>(m_imageX),
                       static_cast<QWidget*>(m_imageY), static_cast<QWidget*>(m_value1),
                       static_cast<QWidget*>(m_value2)})
        w->setEnabled(edit);
    m_value3->setEnabled(edit && *m_is3D);
    m_list->setEnabled(!edit);
    m_ok->setEnabled(!edit);
    m_cancel->setEnabled(!edit);
    const bool rows = m_list->GetItemCount() > 0;
    m_editAll->setEnabled(!edit && rows);
    m_import->setEnabled(!edit && rows);
}

void CIdentpunkteDlg::EditPoint(int row) {
    if (row == -1) row = m_list->GetFirstSelected();
    if (row < 0 || row >= PointCount()) return;
    m_editMode = 1;
    m_editRow = row;
    m_name->setText(m_names->at(row));
    m_imageX->SetValue((*m_x)[row]);
    m_imageY->SetValue((*m_y)[row]);
    CNumEdit* edits[] = {m_value1, m_value2, m_value3};
    for (int c = 0; c < 3; ++c)
        if (const std::vector<double>* values = ValueArray(c)) edits[c]->SetValue((*values)[row]);
    UpdateControls();
    m_value1->selectAll();
    m_value1->setFocus(Qt::OtherFocusReason);
}

void CIdentpunkteDlg::OnApply() {
    if (!m_editMode) return;
    double values[3] = {m_value1->GetValue(), m_value2->GetValue(), m_value3->GetValue()};
    if (IsUndefined(values[0]) || IsUndefined(values[1]) || (*m_is3D && IsUndefined(values[2]))) {
        ui::MessageId(10082);
        return;
    }
    if (IsUndefined(values[2])) values[2] = 0.0;
    const int row = m_editRow;
    if (row >= 0 && row < PointCount())
        for (int c = 0; c < 3; ++c)
            if (std::vector<double>* target = ValueArray(c)) (*target)[row] = values[c];
    m_editMode = 0;
    if (m_editAllMode && row < PointCount() - 1) {
        FillList(row + 1);
        EditPoint(-1);
    } else {
        FillList(-1);
        UpdateControls();
    }
}

void CIdentpunkteDlg::OnCancelEdit() {
    m_editMode = 0;
    UpdateControls();
}

bool CIdentpunkteDlg::PreTranslateMessage(QKeyEvent* event) {
    if (!m_editMode) return false;
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        OnApply();
        return true;
    }
    if (event->key() == Qt::Key_Escape) {
        OnCancelEdit();
        return true;
    }
    return false;
}

void CIdentpunkteDlg::keyPressEvent(QKeyEvent* event) {
    if (PreTranslateMessage(event)) {
        event->accept();
        return;
    }
    CModalDialog::keyPressEvent(event);
}

void CIdentpunkteDlg::OnDblClkList() {
    m_editAllMode = 0;
    EditPoint(-1);
}

void CIdentpunkteDlg::OnPointEdit() { OnDblClkList(); }

void CIdentpunkteDlg::OnEditAll() {
    m_editAllMode = 1;
    if (m_list->GetItemCount() > 0) EditPoint(0);
}

void CIdentpunkteDlg::OnRClickList(const QPoint& position) {
    const int row = m_list->GetFirstSelected();
    if (row < 0) return;
    const QTableWidgetItem* item = m_list->itemAt(position);
    if (!item || item->row() != row) return;
    ShowPopup(m_list->viewport()->mapToGlobal(position));
}

void CIdentpunkteDlg::ShowPopup(const QPoint& globalPosition) {
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("145"));
    const struct {
        int id;
        QString text;
        void (CIdentpunkteDlg::*handler)();
    } items[] = {{kPointOn, tr("Ein"), &CIdentpunkteDlg::OnPointOn},
                 {kPointOff, tr("Aus"), &CIdentpunkteDlg::OnPointOff},
                 {kPointEdit, tr("Bearbeiten"), &CIdentpunkteDlg::OnPointEdit},
                 {kPointDelete, tr("Löschen"), &CIdentpunkteDlg::OnPointDelete}};
    for (const auto& item : items) {
        QAction* action = menu.addAction(item.text);
        action->setObjectName(QString::number(item.id));
        connect(action, &QAction::triggered, this, item.handler);
    }
    menu.exec(globalPosition);
}

void CIdentpunkteDlg::SetActiveFlag(int value) {
    const int row = m_list->GetFirstSelected();
    if (row < 0 || row >= PointCount()) return;
    m_list->SetItemImage(row, value);
    (*m_active)[row] = value;
}

void CIdentpunkteDlg::OnPointOn() { SetActiveFlag(1); }

void CIdentpunkteDlg::OnPointOff() { SetActiveFlag(0); }

void CIdentpunkteDlg::OnPointDelete() {
    const int row = m_list->GetFirstSelected();
    if (row < 0 || row >= PointCount()) return;
    const QString question = Printf(10083, m_names->at(row).toUtf8().constData());
    if (ui::Message(question.toStdString(), ui::Buttons::YesNo) != ui::Answer::Yes) return;
    m_names->removeAt(row);
    for (std::vector<double>* values : {m_x, m_y, m_r2, m_r1, m_r3})
        values->erase(values->begin() + row);
    for (std::vector<int>* flags : {m_use2D, m_use3D}) flags->erase(flags->begin() + row);
    FillList(-1);
    UpdateControls();
    if (CTesseloDoc* doc = GetActiveDocument(); doc && doc->GetFirstView())
        doc->GetFirstView()->viewport()->update();
}

void CIdentpunkteDlg::OnHelp() {
    CInfoDlg dialog(this);
    dialog.DoModal();
}

void CIdentpunkteDlg::OnCoordinateSystem() {
    CEinstellungenDlg dialog(this);
    dialog.SetDocumentOnly(true);
    if (dialog.DoModal() != QDialog::Accepted) return;
    ChooseActiveFlags();
    ApplyDecimals();
    FillList(-1);
    UpdateControls();
}

void CIdentpunkteDlg::OnImportAscii() {
    CMyFileDialog dialog(
        true, QString(), QString(), CMyFileDialog::kHideReadOnly,
        QStringLiteral("All Files (*.*)|*.*|Txt-Files (*.txt)|*.txt|Dat-Files (*.dat)|*.dat||"),
        this);
    if (dialog.DoModal() != QDialog::Accepted) return;
    ImportAscii(dialog.GetPathName());
}

bool CIdentpunkteDlg::NextToken(QStringView& line, QStringView& token) {
    token = QStringView();
    if (line.isEmpty()) return false;
    qsizetype end = 0;
    while (end < line.size() && line.at(end) != QLatin1Char(' ') &&
           line.at(end) != QLatin1Char('\t'))
        ++end;
    token = line.first(end);
    while (end < line.size() && IsBlank(line.at(end))) ++end;
    line = line.sliced(end);
    return true;
}

void CIdentpunkteDlg::ImportAscii(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ui::Message(Printf(10084, path.toUtf8().constData()).toStdString());
        return;
    }
    const int* mapping = AxisMapping(*m_koosys);
    const int fields = *m_is3D ? 3 : 2;
    // R1, R2, R3 of the first complete line of each of the dialog's names; the file's other
    // names are never looked up, so they are not kept.
    std::map<QString, std::optional<std::array<double, 3>>, std::less<>> imported;
    for (const QString& name : *m_names) imported.emplace(name, std::nullopt);
    std::deque<int> incomplete;
    int lineNumber = 0;
    for (;;) {
        // Each line holds its line end at least; nothing is read at the end or on a read error.
        const QString text = DecodeLine(ReadLineBytes(file));
        if (text.isEmpty()) break;
        ++lineNumber;
        QStringView line = Trimmed(text);
        if (line.isEmpty()) continue;
        QStringView name, token;
        double values[3] = {0.0, 0.0, 0.0};
        bool complete = NextToken(line, name);
        for (int c = 0; complete && c < fields; ++c)
            complete = NextToken(line, token) && ParseCoordinate(token, values[c]);
        if (!complete) {
            incomplete.push_back(lineNumber);
            continue;
        }
        const auto it = imported.find(name);
        if (!mapping || it == imported.end() || it->second) continue;
        std::array<double, 3> r{};
        for (int c = 0; c < 3; ++c) r[size_t(mapping[c] - 1)] = values[c];
        it->second = r;
    }
    file.close();

    int found = 0, missingCount = 0;
    QString missing;
    for (int i = 0; i < PointCount(); ++i) {
        const std::optional<std::array<double, 3>>& r = imported.find(m_names->at(i))->second;
        if (!r) {
            missing += m_names->at(i) + QStringLiteral(", ");
            ++missingCount;
            continue;
        }
        (*m_r1)[i] = (*r)[0];
        (*m_r2)[i] = (*r)[1];
        (*m_r3)[i] = (*r)[2];
        ++found;
    }
    if (!missing.isEmpty()) missing.chop(2);
    ui::Message(ImportReport(found, missingCount, missing, incomplete));
    FillList(-1);
    UpdateControls();
}

void CIdentpunkteDlg::OnOK() {
    if (m_editMode) return;
    CTesseloDoc* doc = GetActiveDocument();
    if (!doc) return;
    bool corrected = false;
    CDistortionCalibration* distortion = nullptr;
    if (RunNextStep(*doc, m_calibration, this) != QDialog::Accepted) {
        chain::PostWorkflowStep(3);
        return;
    }
    if (m_calibration.GetParameters().m_valid) {
        m_calibration.SetImageRange(0.0, 0.0, doc->m_image.GetWidth(), doc->m_image.GetHeight());
        m_calibration.ApplyToPoints(*m_x, *m_y, m_correctedX, m_correctedY, 0);
        corrected = m_correctedX.size() == m_x->size() && m_correctedY.size() == m_y->size();
        if (corrected) distortion = &m_calibration;
    }
    doc->m_distortionCorrected = corrected ? 1 : 0;
    const std::vector<double>* x = corrected ? &m_correctedX : m_x;
    const std::vector<double>* y = corrected ? &m_correctedY : m_y;

    int result = QDialog::Rejected;
    if (*m_is3D) {
        CErgebnisseEbeneDlg dialog(this);
        dialog.m_names = m_names;
        dialog.m_x = x;
        dialog.m_y = y;
        dialog.m_r1 = m_r1;
        dialog.m_r2 = m_r2;
        dialog.m_r3 = m_r3;
        dialog.m_use3D = m_use3D;
        dialog.m_use2D = m_use2D;
        dialog.m_distortion = distortion;
        result = dialog.DoModal();
    } else {
        CErgebnisseAusgleichDlg dialog(this);
        dialog.m_names = m_names;
        dialog.m_imageX = x;
        dialog.m_imageY = y;
        dialog.m_refX = m_r2;
        dialog.m_refY = m_r3;
        dialog.m_use = m_use2D;
        dialog.m_distortion = distortion;
        result = dialog.DoModal();
    }
    if (result != QDialog::Accepted) {
        chain::PostWorkflowStep(3);
        return;
    }
    accept();
}
