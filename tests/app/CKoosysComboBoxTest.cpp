#include <gtest/gtest.h>

#include <QApplication>
#include <QEvent>
#include <string>

#include "QtStringLookup.h"
#include "StringTable.h"
#include "controls/CKoosysComboBox.h"

namespace {

TEST(CKoosysComboBox, FillListsTheSystemsInTableOrder) {
    CKoosysComboBox all;
    all.Fill(false);
    const char* texts[] = {"2D:  Rechts, Hoch (Fassade)", "2D:  Ost, Nord (Grundriss)",
                           "3D:  Ost, Nord, Höhe", "2D:  Nord, Ost (Grundriss)",
                           "3D:  Nord, Ost, Höhe"};
    const int systems[] = {2, 3, 0, 4, 1};
    ASSERT_EQ(all.count(), 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(all.itemText(i), QString::fromUtf8(texts[i])) << i;
        EXPECT_EQ(all.itemData(i).toInt(), systems[i]) << i;
    }
    EXPECT_EQ(all.GetSelected(), 2);
    all.Select(1);
    EXPECT_EQ(all.GetSelected(), 1);
    EXPECT_EQ(all.currentIndex(), 4);
}

TEST(CKoosysComboBox, TwoDimensionalFillLeavesOutTheThreeDimensionalSystems) {
    CKoosysComboBox combo;
    EXPECT_EQ(combo.GetSelected(), -1);
    combo.Fill(true);
    ASSERT_EQ(combo.count(), 3);
    EXPECT_EQ(combo.itemData(0).toInt(), 2);
    EXPECT_EQ(combo.itemData(1).toInt(), 3);
    EXPECT_EQ(combo.itemData(2).toInt(), 4);
    combo.Select(4);
    EXPECT_EQ(combo.GetSelected(), 4);
    combo.Select(0);  // a 3D system is not in the list: the selection stays
    EXPECT_EQ(combo.GetSelected(), 4);
}

TEST(CKoosysComboBox, LanguageChangeRetranslatesTheEntries) {
    CKoosysComboBox combo;
    combo.Fill(true);
    strings::SetTranslator(
        [](const char*, const char* german) { return std::string("EN ") + german; });
    QEvent change(QEvent::LanguageChange);
    QApplication::sendEvent(&combo, &change);
    InstallQtStringLookup();  // the lookup every other test expects
    EXPECT_EQ(combo.itemText(0), "EN 2D:  Rechts, Hoch (Fassade)");
    EXPECT_EQ(combo.itemData(0).toInt(), 2);
}

}  // namespace
