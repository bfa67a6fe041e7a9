#pragma once
// CKoosysComboBox: a drop-down list of the coordinate systems; the item data of each entry is
// its coordinate-system index 0..4.

#include <QComboBox>

class CKoosysComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit CKoosysComboBox(QWidget* parent = nullptr) : QComboBox(parent) {}

    // Adds the systems (the two 3D ones only when only2D is false) and selects the first.
    void Fill(bool only2D);
    // The index of the selected system, -1 when nothing is selected.
    int GetSelected() const;
    // Selects the first entry of that system; an index not in the list changes nothing.
    void Select(int koosys);
};
