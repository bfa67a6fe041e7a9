#pragma once
// The tool bar's pictures, drawn in code: one pictogram per command in three modes (normal,
// hot while the pointer is over the button, disabled), each 32 x 30 pixels; and the program
// icon.

#include <QIcon>

class CToolBarImages {
public:
    static constexpr int kWidth = 32;
    static constexpr int kHeight = 30;

    // The icon of a tool-bar command id; a null icon for ids without a picture.
    static QIcon Icon(int id);
    static QIcon ProgramIcon();
    // A photograph seen at a slant and its rectified rectangle, for the about dialog.
    static QPixmap RectificationPicture(int width, int height);
};
