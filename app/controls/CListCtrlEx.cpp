#include "CListCtrlEx.h"

#include <QHeaderView>
#include <QItemSelectionModel>

#include "StringTable.h"

namespace {

// Item role that keeps an item's image index.
constexpr int kImageRole = Qt::UserRole;
// Header role that keeps a column's format.
constexpr int kFormatRole = Qt::UserRole;

Qt::Alignment AlignmentOf(int format) {
    switch (format) {
        case CListCtrlEx::FormatRight:
            return Qt::AlignRight | Qt::AlignVCenter;
        case CListCtrlEx::FormatCenter:
            return Qt::AlignHCenter | Qt::AlignVCenter;
        default:
            return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

}  // namespace

CListCtrlEx::CListCtrlEx(QWidget* parent) : QTableWidget(parent) {
    setObjectName(QStringLiteral("CListCtrlEx"));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab leaves the list for the next control; the arrow keys move between rows.
    setTabKeyNavigation(false);
    setShowGrid(false);
    setWordWrap(false);
    setIconSize(QSize(16, 16));
    verticalHeader()->hide();
    horizontalHeader()->setMinimumSectionSize(0);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setHighlightSections(false);
}

int CListCtrlEx::InsertColumnPercent(const QString& title, int column, int percent, int format) {
    if (column < 0) return -1;
    if (column > columnCount()) column = columnCount();
    if (format == -1) format = FormatLeft;
    insertColumn(column);
    auto* header = new QTableWidgetItem(title);
    header->setTextAlignment(AlignmentOf(format));
    header->setData(kFormatRole, format);
    setHorizontalHeaderItem(column, header);
    setColumnWidth(column, static_cast<int>(width() / 100.0 * percent));
    return column;
}

int CListCtrlEx::InsertColumnRes(int stringId, int column, int percent) {
    return InsertColumnPercent(QString::fromStdString(strings::Load(stringId)), column, percent,
                               FormatLeft);
}

int CListCtrlEx::SetItemTextEx(const QString& text, int item, int subItem, bool selected,
                               int image) {
    if (item < 0 || subItem < 0) return -1;
    if (subItem == 0) {
        if (item > rowCount()) item = rowCount();
        insertRow(item);
    } else if (item >= rowCount() || subItem >= columnCount()) {
        return -1;
    }
    if (QTableWidgetItem* cell = Cell(item, subItem)) cell->setText(text);
    if (selected && columnCount() > 0) {
        selectionModel()->select(model()->index(item, 0),
                                 QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    if (image != -1) SetItemImage(item, image);
    return item;
}

bool CListCtrlEx::SetItemImage(int item, int image) {
    QTableWidgetItem* cell = Cell(item, 0);
    if (!cell) return false;
    cell->setData(kImageRole, image);
    cell->setIcon(image >= 0 && size_t(image) < m_images.size() ? m_images[size_t(image)]
                                                                : QIcon());
    return true;
}

int CListCtrlEx::GetItemImage(int item) const {
    const QTableWidgetItem* cell = this->item(item, 0);
    if (!cell) return -1;
    const QVariant image = cell->data(kImageRole);
    return image.isValid() ? image.toInt() : -1;
}

QString CListCtrlEx::GetItemTextStr(int item, int subItem) const {
    const QTableWidgetItem* cell = this->item(item, subItem);
    return cell ? cell->text().left(255) : QString();
}

bool CListCtrlEx::SetItemTextStr(int item, int subItem, const QString& text) {
    QTableWidgetItem* cell = Cell(item, subItem);
    if (!cell) return false;
    cell->setText(text);
    return true;
}

int CListCtrlEx::GetFirstSelected() const {
    int first = -1;
    for (const QModelIndex& index : selectionModel()->selectedIndexes()) {
        if (first == -1 || index.row() < first) first = index.row();
    }
    return first;
}

void CListCtrlEx::SelectItem(int item, bool on) {
    if (item < 0 || item >= rowCount() || columnCount() == 0) return;
    const QModelIndex index = model()->index(item, 0);
    if (on) {
        selectionModel()->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    } else {
        selectionModel()->select(index, QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
        if (currentRow() == item) {
            selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
        }
    }
}

void CListCtrlEx::DeleteAllColumns() {
    const int count = columnCount();
    for (int i = 0; i < count; ++i) removeColumn(0);
}

void CListCtrlEx::SetImageList(const std::vector<QIcon>& images) {
    m_images = images;
    for (int row = 0; row < rowCount(); ++row) {
        const int image = GetItemImage(row);
        if (image != -1) SetItemImage(row, image);
    }
}

QTableWidgetItem* CListCtrlEx::Cell(int item, int subItem) {
    if (item < 0 || item >= rowCount() || subItem < 0 || subItem >= columnCount()) return nullptr;
    QTableWidgetItem* cell = this->item(item, subItem);
    if (!cell) {
        cell = new QTableWidgetItem();
        cell->setTextAlignment(ColumnAlignment(subItem));
        setItem(item, subItem, cell);
    }
    return cell;
}

Qt::Alignment CListCtrlEx::ColumnAlignment(int column) const {
    const QTableWidgetItem* header = horizontalHeaderItem(column);
    return AlignmentOf(header ? header->data(kFormatRole).toInt() : FormatLeft);
}
