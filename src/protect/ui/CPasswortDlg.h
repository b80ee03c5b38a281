#pragma once
// Asks for the database password while a protected database is opened.
// OK closes only once the password is right; "Abbrechen" ends the opening.

#include <QDialog>
#include <QString>

class CDbPasswort;
class QLineEdit;
class QPushButton;

class CPasswortDlg : public QDialog {
    Q_OBJECT
public:
    enum { IDD = 154, IDC_PASSWORD = 1018 };

    explicit CPasswortDlg(CDbPasswort& passwort, QWidget* pParent = nullptr);

    const QString& GetPassword() const { return m_strPassword; }

private slots:
    void OnOK();

private:
    CDbPasswort& m_passwort;
    QString m_strPassword;
    QLineEdit* m_pEdit = nullptr;
    QPushButton* m_pOk = nullptr;
    QPushButton* m_pCancel = nullptr;
};
