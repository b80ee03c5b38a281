#pragma once
// The program's own images, drawn in code: the 16 x 16 entry and folder
// images, the toolbar icons and the program icon.

#include <QIcon>
#include <QPixmap>

enum EBitmapId : int {
    IDB_ENTRY_TEXT = 132,
    IDB_ENTRY_FOLDER = 133,
    IDB_FOLDER_OPEN = 134,
    IDB_NO_DROP = 145,
    IDB_ENTRY_LINK = 148,
};

// A 16 x 16 image with a transparent background.
QPixmap GetBitmap(int nBitmapId);
// The toolbar icon of a command; a null icon when the command has none.
QIcon GetCommandIcon(int nCommandId);
// The program's window icon: the installed theme's, else the same image drawn.
QIcon GetProgramIcon();
