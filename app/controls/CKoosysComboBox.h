#pragma once
// CKoosysComboBox: the drop-down list of the coordinate systems. Each entry's item data is the
// coordinate-system index 0..4 (0, 1 the 3D systems; 2, 3, 4 the 2D systems). The list is not
// sorted: it shows the entries in the order they are added.

#include <QComboBox>

class CKoosysComboBox : public QComboBox {
    Q_OBJECT

public:
    explicit CKoosysComboBox(QWidget* parent = nullptr);

    // Adds the coordinate systems (the two 3D ones only when only2D is false) and selects the
    // first entry.
    void Fill(bool only2D);
    // The coordinate-system index of the selected entry; -1 when nothing is selected.
    int GetSelected() const;
    // Selects the first entry of that coordinate-system index; without one the selection stays.
    void Select(int index);

protected:
    void changeEvent(QEvent* event) override;
};
