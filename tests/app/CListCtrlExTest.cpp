#include <gtest/gtest.h>

#include <QHeaderView>
#include <QPixmap>

#include "controls/CListCtrlEx.h"

namespace {

struct WidthCase {
    int listWidth, percent, columnWidth;
};

TEST(CListCtrlEx, ColumnsAreSizedInPercentOfTheOuterWidth) {
    // 250 / 100 × 13 = 32.5, truncated.
    const WidthCase cases[] = {{300, 13, 39}, {250, 13, 32}, {300, 32, 96}, {300, 0, 0}};
    for (const WidthCase& c : cases) {
        CListCtrlEx list;
        list.resize(c.listWidth, 100);
        ASSERT_EQ(list.InsertColumnPercent("A", 0, c.percent), 0);
        EXPECT_EQ(list.columnWidth(0), c.columnWidth) << c.listWidth << " " << c.percent;
    }
}

TEST(CListCtrlEx, InsertsColumnsAndItemsWithFormatsAndTexts) {
    CListCtrlEx list;
    list.resize(200, 100);
    list.InsertColumnPercent("Name", 0, 50);
    list.InsertColumnPercent("Y", 1, 25, CListCtrlEx::FormatRight);
    list.InsertColumnPercent("X", 1, 25, -1);  // before "Y"
    ASSERT_EQ(list.columnCount(), 3);
    EXPECT_EQ(list.horizontalHeaderItem(1)->text(), "X");
    EXPECT_EQ(list.horizontalHeaderItem(2)->text(), "Y");

    EXPECT_EQ(list.SetItemTextEx("P2", 0), 0);
    EXPECT_EQ(list.SetItemTextEx("P1", 0), 0);               // inserted before P2
    EXPECT_EQ(list.SetItemTextEx("P3", 99, 0, true, 1), 2);  // appended, selected, image 1
    EXPECT_EQ(list.SetItemTextEx("1.5", 2, 2), 2);
    EXPECT_EQ(list.SetItemTextEx("x", 5, 1), -1);  // no such item
    EXPECT_EQ(list.SetItemTextEx("x", 0, 3), -1);  // no such column
    ASSERT_EQ(list.GetItemCount(), 3);
    EXPECT_EQ(list.GetItemTextStr(0, 0), "P1");
    EXPECT_EQ(list.GetItemTextStr(1, 0), "P2");
    EXPECT_EQ(list.GetItemTextStr(2, 2), "1.5");
    EXPECT_EQ(list.GetItemTextStr(2, 1), "");
    EXPECT_TRUE(list.item(2, 2)->textAlignment() & Qt::AlignRight);
    EXPECT_EQ(list.GetItemImage(2), 1);
    EXPECT_EQ(list.GetItemImage(0), -1);
    EXPECT_EQ(list.GetFirstSelected(), 2);

    ASSERT_TRUE(list.SetItemTextStr(1, 1, QString(300, 'a')));
    EXPECT_EQ(list.GetItemTextStr(1, 1).size(), 255);

    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::red);
    list.SetImageList({QIcon(), QIcon(pixmap)});
    EXPECT_FALSE(list.item(2, 0)->icon().isNull());
    ASSERT_TRUE(list.SetItemImage(0, 0));
    EXPECT_EQ(list.GetItemImage(0), 0);

    list.DeleteAllColumns();
    EXPECT_EQ(list.columnCount(), 0);
    list.DeleteAllItems();
    EXPECT_EQ(list.GetItemCount(), 0);
}

TEST(CListCtrlEx, SelectsAndFocusesWholeRows) {
    CListCtrlEx list;
    list.InsertColumnPercent("A", 0, 50);
    list.InsertColumnPercent("B", 1, 50);
    for (int i = 0; i < 3; ++i) list.SetItemTextEx(QString::number(i), i);
    EXPECT_EQ(list.GetFirstSelected(), -1);
    list.SelectItem(2, true);
    list.SelectItem(1, true);
    EXPECT_EQ(list.GetFirstSelected(), 1);
    EXPECT_EQ(list.currentRow(), 1);
    EXPECT_TRUE(list.selectionModel()->isRowSelected(1, QModelIndex()));  // the whole row
    list.SelectItem(1, false);
    EXPECT_EQ(list.GetFirstSelected(), 2);
    EXPECT_EQ(list.currentRow(), -1);
    list.SelectItem(7, true);  // no such item
    EXPECT_EQ(list.GetFirstSelected(), 2);
}

}  // namespace
