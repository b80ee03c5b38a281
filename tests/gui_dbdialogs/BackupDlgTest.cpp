// The backup settings dialog, driven offscreen.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <filesystem>

#include "db/CDB.h"
#include "db/CTrashStore.h"
#include "db/ui/CBackupDlg.h"
#include "platform/Cp1252.h"
#include "support/TestSupport.h"

namespace {
class CBackupDlgTest : public CCoreTest {
protected:
    void SetUp() override {
        CCoreTest::SetUp();
        m_strDb = CreateDatabase();
    }
    // Opens the dialog as the document would, but without blocking.
    void Open() {
        m_pDlg = std::make_unique<CBackupDlg>();
        m_pDlg->show();
        m_pEdit = m_pDlg->findChild<QLineEdit*>("editBackupDir");
        m_pCombo = m_pDlg->findChild<QComboBox*>("comboBackupCount");
        m_pCheck = m_pDlg->findChild<QCheckBox*>("checkBackupAuto");
        m_pTrash = m_pDlg->findChild<QComboBox*>("comboTrashDays");
        m_pOk = m_pDlg->findChild<QPushButton*>("buttonOk");
        m_pCancel = m_pDlg->findChild<QPushButton*>("buttonCancel");
        m_pBrowse = m_pDlg->findChild<QPushButton*>("buttonBrowse");
        ASSERT_TRUE(m_pEdit && m_pCombo && m_pCheck && m_pTrash && m_pOk && m_pCancel && m_pBrowse);
    }
    void SetText(const QString& str) {
        m_pEdit->selectAll();
        QTest::keyClick(m_pEdit, Qt::Key_Delete);
        m_pEdit->insert(str);  // as pasted: QTest types only ASCII
    }
    std::string Option(const char* pszKey) { return GetDatabase().GetOption(pszKey); }

    std::string m_strDb;
    std::unique_ptr<CBackupDlg> m_pDlg;
    QLineEdit* m_pEdit = nullptr;
    QComboBox* m_pCombo = nullptr;
    QComboBox* m_pTrash = nullptr;
    QCheckBox* m_pCheck = nullptr;
    QPushButton *m_pOk = nullptr, *m_pCancel = nullptr, *m_pBrowse = nullptr;
};

TEST_F(CBackupDlgTest, ShowsTheStoredSettings) {
    Open();
    EXPECT_EQ(m_pDlg->windowTitle(), "Backup Einstellungen");
    QStringList items;
    for (int i = 0; i < m_pCombo->count(); ++i) items << m_pCombo->itemText(i);
    EXPECT_EQ(items, (QStringList{"unbegrenzt", "5", "10", "20", "30", "50", "100"}));
    EXPECT_EQ(m_pCombo->currentText(), "10");  // not "100"
    EXPECT_EQ(m_pEdit->text(), "");
    EXPECT_TRUE(m_pCheck->isChecked());
    EXPECT_EQ(m_pCheck->text(), "Automatisches tägliches Backup");
    EXPECT_EQ(m_pOk->text(), "OK");
    EXPECT_TRUE(m_pOk->isDefault());
    EXPECT_EQ(m_pCancel->text(), "Abbrechen");
    EXPECT_EQ(m_pBrowse->text(), "...");
    QStringList labels;
    for (auto* p : m_pDlg->findChildren<QLabel*>()) labels << p->text();
    EXPECT_TRUE(labels.contains("Maximale Anzahl der Backup's "));
    EXPECT_TRUE(labels.contains("Abweichendes Backupverzeichnis"));

    EXPECT_TRUE(labels.contains("Papierkorb aufheben (Tage)"));
    EXPECT_EQ(m_pTrash->currentText(), "30");

    // tab order: folder, count, trash days, automatic, OK, Abbrechen, "..."
    m_pDlg->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_pDlg.get()));
    EXPECT_EQ(QApplication::focusWidget(), m_pEdit);
    std::vector<QWidget*> chain;
    for (int i = 0; i < 7; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        chain.push_back(QApplication::focusWidget());
    }
    EXPECT_EQ(chain, (std::vector<QWidget*>{m_pCombo, m_pTrash, m_pCheck, m_pOk, m_pCancel, m_pBrowse, m_pEdit}));
}

TEST_F(CBackupDlgTest, TrashDaysAreStoredInTheTrashNotInTheOptions) {
    // unchanged: a file without a trash gets none
    Open();
    QTest::mouseClick(m_pOk, Qt::LeftButton);
    const auto options = RawQuery(m_strDb, "SELECT Key, Value FROM Option ORDER BY Key");
    bool bTable = true;
    ASSERT_TRUE(GetDatabase().ReadTableExists("Papierkorb", bTable));
    EXPECT_FALSE(bTable);

    Open();
    m_pTrash->setCurrentIndex(m_pTrash->findText("unbegrenzt"));
    QTest::mouseClick(m_pOk, Qt::LeftButton);
    int nDays = -1;
    ASSERT_TRUE(ReadTrashKeepDays(nDays));
    EXPECT_EQ(nDays, 0);
    Open();
    EXPECT_EQ(m_pTrash->currentText(), "unbegrenzt");
    m_pTrash->setCurrentIndex(m_pTrash->findText("90"));
    QTest::mouseClick(m_pOk, Qt::LeftButton);
    ASSERT_TRUE(ReadTrashKeepDays(nDays));
    EXPECT_EQ(nDays, 90);
    // the Option table is as the dialog's other settings left it
    EXPECT_EQ(RawQuery(m_strDb, "SELECT Key, Value FROM Option ORDER BY Key"), options);
    // a number another program stored is shown as it is
    ASSERT_TRUE(WriteTrashKeepDays(45));
    Open();
    EXPECT_EQ(m_pTrash->currentText(), "45");
}

TEST_F(CBackupDlgTest, CountChoicesAndStoredValues) {
    ASSERT_TRUE(GetDatabase().SetOption("BackupCount", ""));
    Open();
    EXPECT_EQ(m_pCombo->currentText(), "unbegrenzt");
    QTest::mouseClick(m_pOk, Qt::LeftButton);
    EXPECT_EQ(m_pDlg->result(), QDialog::Accepted);
    EXPECT_EQ(Option("BackupCount"), "");
    EXPECT_EQ(Option("BackupDir"), "");
    EXPECT_EQ(Option("BackupAuto"), "TRUE");

    Open();
    m_pCombo->setCurrentIndex(1);
    QTest::mouseClick(m_pCheck, Qt::LeftButton);
    QTest::mouseClick(m_pOk, Qt::LeftButton);
    EXPECT_EQ(Option("BackupCount"), "5");
    EXPECT_EQ(Option("BackupAuto"), "");

    // a stored value that matches no item is neither shown nor changed
    ASSERT_TRUE(GetDatabase().SetOption("BackupCount", "7"));
    Open();
    EXPECT_EQ(m_pCombo->currentIndex(), -1);
    QTest::mouseClick(m_pOk, Qt::LeftButton);
    EXPECT_EQ(Option("BackupCount"), "7");
    EXPECT_FALSE(m_pCheck->isChecked());

    // a prefix selects the first item that begins with it, "unbegrenzt" last
    ASSERT_TRUE(GetDatabase().SetOption("BackupCount", "1"));
    Open();
    EXPECT_EQ(m_pCombo->currentText(), "10");
    ASSERT_TRUE(GetDatabase().SetOption("BackupCount", "UNB"));
    Open();
    EXPECT_EQ(m_pCombo->currentText(), "unbegrenzt");
}

TEST_F(CBackupDlgTest, FolderPickerAndOwnFolder) {
    std::string strOther = m_dir.File("Sicherung für Köln");
    std::filesystem::create_directory(strOther);
    Open();
    // cancelled picker: the own folder is offered and stays the empty text
    m_platform.QueueFileDialog("");
    QTest::mouseClick(m_pBrowse, Qt::LeftButton);
    ASSERT_EQ(m_platform.m_arrDialogs.size(), 1u);
    EXPECT_EQ(Cp1252ToUtf8(m_platform.m_arrDialogs[0].strTitle), "Backup-Verzeichnis auswählen");
    EXPECT_EQ(m_platform.m_arrDialogs[0].strInitialDir, m_dir.Path());
    EXPECT_EQ(m_pEdit->text(), "");

    m_platform.QueueFileDialog(strOther);
    QTest::mouseClick(m_pBrowse, Qt::LeftButton);
    EXPECT_EQ(m_pEdit->text(), QString::fromStdString(strOther));
    QTest::mouseClick(m_pOk, Qt::LeftButton);
    EXPECT_EQ(m_pDlg->result(), QDialog::Accepted);
    EXPECT_EQ(Option("BackupDir"), Utf8ToCp1252(strOther));
    EXPECT_EQ(GetDatabase().GetBackupFolder(), strOther);

    // picking the database's own folder empties the field
    Open();
    EXPECT_EQ(m_pEdit->text(), QString::fromStdString(strOther));
    m_platform.QueueFileDialog(m_dir.Path());
    QTest::mouseClick(m_pBrowse, Qt::LeftButton);
    EXPECT_EQ(m_platform.m_arrDialogs.back().strInitialDir, strOther);
    EXPECT_EQ(m_pEdit->text(), "");
    QTest::mouseClick(m_pOk, Qt::LeftButton);
    EXPECT_EQ(Option("BackupDir"), "");
    EXPECT_TRUE(m_platform.m_arrMessages.empty());
}

TEST_F(CBackupDlgTest, RefusedFoldersKeepTheDialogOpenAndSaveNothing) {
    std::string strGreek = m_dir.File("Ωmega");
    std::filesystem::create_directory(strGreek);
    Open();
    m_pCombo->setCurrentIndex(1);
    SetText(QString::fromStdString(m_dir.File("fehlt")));
    QTest::mouseClick(m_pOk, Qt::LeftButton);
    EXPECT_TRUE(m_pDlg->isVisible());
    ASSERT_EQ(m_platform.m_arrMessages.size(), 1u);
    EXPECT_EQ(m_platform.LastMessage(), "Das angegebene Backup-Verzeichnis existiert nicht !");
    EXPECT_EQ(m_platform.m_arrMessages[0].strCaption, "Eingabefehler");
    EXPECT_EQ(m_platform.m_arrMessages[0].eIcon, EMsgIcon::Exclamation);
    EXPECT_EQ(m_pEdit->text(), QString::fromStdString(m_dir.File("fehlt")));

    SetText(QString::fromStdString(strGreek));
    QTest::keyClick(m_pEdit, Qt::Key_Return);  // the default button
    EXPECT_TRUE(m_pDlg->isVisible());
    ASSERT_EQ(m_platform.m_arrMessages.size(), 2u);
    EXPECT_NE(m_platform.LastMessage().find("nicht gespeichert werden"), std::string::npos);
    EXPECT_EQ(Option("BackupDir"), "");
    EXPECT_EQ(Option("BackupCount"), "10");

    // a field emptied by hand needs no test
    SetText("");
    QTest::mouseClick(m_pOk, Qt::LeftButton);
    EXPECT_FALSE(m_pDlg->isVisible());
    EXPECT_EQ(m_platform.m_arrMessages.size(), 2u);
    EXPECT_EQ(Option("BackupCount"), "5");
}

TEST_F(CBackupDlgTest, CancelSavesNothing) {
    std::string strOther = m_dir.File("andere");
    std::filesystem::create_directory(strOther);
    for (bool bEscape : {false, true}) {
        Open();
        SetText(QString::fromStdString(strOther));
        m_pCombo->setCurrentIndex(0);
        QTest::mouseClick(m_pCheck, Qt::LeftButton);
        if (bEscape)
            QTest::keyClick(m_pDlg.get(), Qt::Key_Escape);
        else
            QTest::mouseClick(m_pCancel, Qt::LeftButton);
        EXPECT_FALSE(m_pDlg->isVisible());
        EXPECT_EQ(m_pDlg->result(), QDialog::Rejected);
        EXPECT_EQ(Option("BackupDir"), "");
        EXPECT_EQ(Option("BackupCount"), "10");
        EXPECT_EQ(Option("BackupAuto"), "TRUE");
    }
}
}  // namespace
