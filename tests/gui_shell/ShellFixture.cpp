#include "ShellFixture.h"

#include <QCoreApplication>

#include "app/CLeftView.h"
#include "app/CTitleView.h"
#include "app/DocDialogs.h"

bool CRecordingPlatform::WriteProfileString(const std::string& strSection, const std::string& strEntry,
                                            const std::string& strValue) {
    m_arrWrites.push_back({strSection, strEntry, strValue, m_pFrame ? m_pFrame->GetMenuSet() : EResourceSet{}});
    return CScriptedPlatform::WriteProfileString(strSection, strEntry, strValue);
}

bool CRecordingPlatform::WriteProfileInt(const std::string& strSection, const std::string& strEntry, int nValue) {
    m_arrWrites.push_back(
        {strSection, strEntry, std::to_string(nValue), m_pFrame ? m_pFrame->GetMenuSet() : EResourceSet{}});
    return CScriptedPlatform::WriteProfileInt(strSection, strEntry, nValue);
}

bool CRecordingPlatform::HasSetting(const std::string& strSection, const std::string& strEntry) {
    const std::string strAbsent("\x01");
    return GetProfileString(strSection, strEntry, strAbsent) != strAbsent;
}

void CShellTest::SetUp() {
    CGuiTest::SetUp();
    if (HasFatalFailure()) return;
    m_platform.m_pFrame = m_pFrame.get();
    SDocDialogs& dialogs = GetDocDialogs();
    auto record = [this](const char* psz) { return [this, psz](QWidget*) { m_arrDialogs.push_back(psz); }; };
    dialogs.fnDbInfo = record("info");
    dialogs.fnBackupSettings = record("backup");
    dialogs.fnDatabasePassword = record("encrypt");
    dialogs.fnAdminLogin = record("login");
    dialogs.fnAdminSetup = record("setup");
    dialogs.fnSearch = [this](QWidget*, COrvantisDoc&) { m_arrDialogs.push_back("search"); };
}

void CShellTest::TearDown() {
    m_platform.m_pFrame = nullptr;
    CGuiTest::TearDown();
}

bool CShellTest::Open(const std::string& strPath) {
    bool b = m_pDoc->OpenDocumentFile(strPath);
    Pump();
    return b;
}

CLeftView* CShellTest::Tree() const {
    return m_pFrame->GetTreeView();
}

QTreeWidgetItem* CShellTest::ItemOf(const std::string& strName) const {
    QList<QTreeWidgetItem*> arr =
        Tree()->findItems(QString::fromStdString(strName), Qt::MatchExactly | Qt::MatchRecursive);
    return arr.isEmpty() ? nullptr : arr.first();
}

std::string CShellTest::TitleText() const {
    return m_pFrame->GetTitleView()->GetTitleText().toStdString();
}

int CShellTest::CommandEnabled(int nId) const {
    return m_pFrame->QueryCommandState(nId).bEnabled ? 1 : 0;
}
