#pragma once
// Sets, changes or removes the database password (command "Datenbank
// verschlüsseln...").

#include "protect/ui/CNewPasswordDlg.h"

class COptionPasswortDlg : public CNewPasswordDlg {
    Q_OBJECT
public:
    enum { IDD = 153, IDC_UNPROTECT = 3 };

    explicit COptionPasswortDlg(QWidget* pParent = nullptr);

protected:
    void OnOK() override;
    // "Endschützen"
    void OnThird() override;
};
