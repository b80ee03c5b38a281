#pragma once
// "Datenbank Info": file name, folder and the stamps of the open database.
// Only reads; closing it changes nothing.

#include <QDialog>

class QPushButton;
class QTableWidget;

class CDbInfoDlg : public QDialog {
public:
    enum { IDD = 155 };
    explicit CDbInfoDlg(QWidget* pParent = nullptr);

    // Appends a row: the label in the first column, the value in the second.
    void AddRow(const QString& strLabel, const QString& strValue);
    QTableWidget* GetList() const { return m_pList; }
    // False when the facts could not be read: the list is empty then, and
    // the dialog is not to be shown (ShowDbInfoUnreadable says why).
    bool IsRead() const { return m_bRead; }

private:
    void FitColumns();

    QTableWidget* m_pList;
    QPushButton* m_pButtonOk;
    int m_nRows = 0;
    bool m_bRead = false;
};
