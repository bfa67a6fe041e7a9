#pragma once
// Room for a window's title under a window manager. The title bar holds the window's icon and
// its buttons (minimise, maximise, close) beside the title, and many window managers centre the
// title between them; a window sized for its contents alone shows "Tesselo" as "Te…lo".

class QWidget;

// The width a window needs so that its whole title shows: the title in a bold title-bar font
// with room for the icon and the buttons on either side of it.
int TitleBarWidth(const QWidget& window);

// Keeps the window at least TitleBarWidth wide for the title it has now, through its layout
// (a vertical box or a grid); a window with another layout stays as it is.
void MakeRoomForTitle(QWidget& window);
