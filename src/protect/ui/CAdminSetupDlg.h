#pragma once
// Sets, changes or deletes the administrator password (command
// "Administrator Funktionen schützen...").

#include "protect/ui/CNewPasswordDlg.h"

class CAdminSetupDlg : public CNewPasswordDlg {
    Q_OBJECT
public:
    enum { IDD = 158, IDC_DELETE = 5 };

    explicit CAdminSetupDlg(QWidget* pParent = nullptr);

protected:
    void OnOK() override;
    // "Löschen"
    void OnThird() override;
};
