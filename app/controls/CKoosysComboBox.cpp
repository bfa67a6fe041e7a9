#include "CKoosysComboBox.h"

#include <QEvent>
#include <iterator>

#include "StringTable.h"

namespace {

struct Entry {
    int stringId;
    int system;  // coordinate-system index, the item data
    bool is3D;
};

constexpr Entry kEntries[] = {
    {10008, 2, false}, {10009, 3, false}, {10010, 0, true}, {10011, 4, false}, {10012, 1, true},
};

// Item role that keeps the string id, so that a language switch can retranslate the entry.
constexpr int kStringIdRole = Qt::UserRole + 1;

}  // namespace

CKoosysComboBox::CKoosysComboBox(QWidget* parent) : QComboBox(parent) {
    setObjectName(QStringLiteral("CKoosysComboBox"));
}

void CKoosysComboBox::Fill(bool only2D) {
    for (const Entry& e : kEntries) {
        if (only2D && e.is3D) continue;
        addItem(QString::fromStdString(strings::Load(e.stringId)), e.system);
        setItemData(count() - 1, e.stringId, kStringIdRole);
    }
    setCurrentIndex(count() > 0 ? 0 : -1);
}

int CKoosysComboBox::GetSelected() const {
    const int row = currentIndex();
    return row < 0 ? -1 : itemData(row).toInt();
}

void CKoosysComboBox::Select(int index) {
    const int row = findData(index);
    if (row >= 0) setCurrentIndex(row);
}

void CKoosysComboBox::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) {
        for (int row = 0; row < count(); ++row) {
            const QVariant id = itemData(row, kStringIdRole);
            if (id.isValid()) setItemText(row, QString::fromStdString(strings::Load(id.toInt())));
        }
    }
    QComboBox::changeEvent(event);
}
