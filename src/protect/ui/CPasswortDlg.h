#pragma once
// Asks for the database password while a protected database is opened.
// OK closes only once the password is right; "Abbrechen" ends the opening.

#include <QDialog>
#include <QString>
#include <functional>
#include <string>

#include "protect/CDbPasswort.h"

class QLineEdit;
class QPushButton;

class CPasswortDlg : public QDialog {
    Q_OBJECT
public:
    enum { IDD = 154, IDC_PASSWORD = 1018 };

    explicit CPasswortDlg(CDbPasswort& passwort, QWidget* pParent = nullptr);
    // The same for another file's password (a backup copy's): fnCheck
    // tests the typed Windows-1252 text.
    using PasswordCheck = std::function<EPasswordCheck(const std::string&)>;
    CPasswortDlg(PasswordCheck fnCheck, const QString& strTitle, QWidget* pParent = nullptr);

    const QString& GetPassword() const { return m_strPassword; }

private slots:
    void OnOK();

private:
    PasswordCheck m_fnCheck;
    QString m_strPassword;
    QLineEdit* m_pEdit = nullptr;
    QPushButton* m_pOk = nullptr;
    QPushButton* m_pCancel = nullptr;
};
