#pragma once
// The ids of the buttons every dialog shares; a dialog's own controls are
// named in its class.

enum EDialogId : int {
    IDOK = 1,
    IDCANCEL = 2,
};
