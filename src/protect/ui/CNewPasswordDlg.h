#pragma once
// The dialogs that take a new password twice, the database password's and
// the administrator's: the two fields, OK, "Abbrechen" and a third button
// that takes the password away. They differ only in captions, in the checks
// of the typed text and in the service they call.

#include <QDialog>
#include <QString>
#include <string>

class QLineEdit;
class QPushButton;

class CNewPasswordDlg : public QDialog {
    Q_OBJECT
public:
    enum { IDC_PASSWORD = 1017, IDC_CONFIRM = 1018 };

protected:
    CNewPasswordDlg(QWidget* pParent, const QString& strCaption, const QString& strThird, int nThirdId);

    // Sizes the dialog; once the caption is final.
    void FitSize();
    // Reads both fields into m_strPassword and m_strConfirm. False, with the
    // message shown, when they differ or hold a character the file cannot;
    // else the password as Windows-1252.
    bool ReadPasswords(std::string& strAnsi);

    virtual void OnOK() = 0;
    virtual void OnThird() = 0;

    QString m_strPassword;
    QString m_strConfirm;
    QLineEdit* m_pPassword = nullptr;
    QLineEdit* m_pConfirm = nullptr;
    QPushButton* m_pOk = nullptr;
    QPushButton* m_pCancel = nullptr;
    QPushButton* m_pThird = nullptr;
};
