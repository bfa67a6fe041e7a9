#include "CKoosysComboBox.h"

#include "QtStringLookup.h"

namespace {

struct Entry {
    int stringId;
    int koosys;
    bool is2D;
};

constexpr Entry kEntries[] = {
    {10008, 2, true}, {10009, 3, true}, {10010, 0, false}, {10011, 4, true}, {10012, 1, false},
};

}  // namespace

void CKoosysComboBox::Fill(bool only2D) {
    clear();
    for (const Entry& entry : kEntries)
        if (entry.is2D || !only2D) addItem(LoadQString(entry.stringId), entry.koosys);
    setCurrentIndex(0);
}

int CKoosysComboBox::GetSelected() const { return currentIndex() < 0 ? -1 : currentData().toInt(); }

void CKoosysComboBox::Select(int koosys) {
    const int index = findData(koosys);
    if (index >= 0) setCurrentIndex(index);
}
