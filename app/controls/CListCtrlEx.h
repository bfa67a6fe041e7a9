#pragma once
// CListCtrlEx: a report-view list (rows of items, each with sub-item texts in columns) with
// full-row selection, columns sized in percent of the control's width, and helpers for item
// text, image and selection. Items and columns count from 0; the image of an item is an index
// into the list's image list, shown in column 0. Widths are in pixels.

#include <QIcon>
#include <QString>
#include <QTableWidget>
#include <vector>

class CListCtrlEx : public QTableWidget {
    Q_OBJECT

public:
    // Column text alignment; -1 passed as a format means left.
    enum ColumnFormat { FormatLeft = 0, FormatRight = 1, FormatCenter = 2 };

    explicit CListCtrlEx(QWidget* parent = nullptr);

    // Inserts a column at `column`, width = the control's outer width (frame included) / 100 ×
    // percent, truncated. Returns the new column's index, -1 on failure.
    int InsertColumnPercent(const QString& title, int column, int percent, int format = -1);
    // The same with the title from the string table, left-aligned.
    int InsertColumnRes(int stringId, int column, int percent);
    // Sub-item 0 inserts a new item at `item` (appended when past the end) and returns its
    // index; another sub-item sets the text of an existing item and returns `item`. With
    // `selected` the item is also selected; an image other than -1 becomes the item's image.
    // -1 when the item or column does not exist.
    int SetItemTextEx(const QString& text, int item, int subItem = 0, bool selected = false,
                      int image = -1);
    bool SetItemImage(int item, int image);
    // The image index of the item; -1 for none.
    int GetItemImage(int item) const;
    // The text of an item's sub-item, at most 255 characters.
    QString GetItemTextStr(int item, int subItem) const;
    bool SetItemTextStr(int item, int subItem, const QString& text);
    // The first selected item, -1 when none is selected.
    int GetFirstSelected() const;
    // Selects and focuses the item, or clears both.
    void SelectItem(int item, bool on);
    void DeleteAllColumns();

    // The list-control basics the dialogs use besides the helpers above.
    void SetImageList(const std::vector<QIcon>& images);
    int GetItemCount() const { return rowCount(); }
    void DeleteAllItems() { setRowCount(0); }

private:
    QTableWidgetItem* Cell(int item, int subItem);
    Qt::Alignment ColumnAlignment(int column) const;

    std::vector<QIcon> m_images;
};
