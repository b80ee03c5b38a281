#pragma once
// "Info über Orvantis": the product picture, the version line and a button
// "Schließen".

#include <QDialog>

class QLabel;

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* pParent = nullptr);
    QString GetVersionText() const;

private:
    QLabel* m_pText = nullptr;
};
