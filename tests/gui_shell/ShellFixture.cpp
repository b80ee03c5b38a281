#include "ShellFixture.h"

#include <QCoreApplication>

#include "app/CLeftView.h"
#include "app/CTitleView.h"
#include "app/DocDialogs.h"
#include "db/CDB.h"
#include "platform/Cp1252.h"
#include "protect/CDbPasswort.h"
#include "protect/KnowledgeBase.h"
#include "table/CFieldCodec.h"
#include "tree/CKnowHow.h"

bool CRecordingPlatform::WriteProfileString(const std::string& strSection, const std::string& strEntry,
                                            const std::string& strValue) {
    m_arrWrites.push_back({strSection, strEntry, strValue, m_pFrame ? m_pFrame->GetMenuSet() : 0});
    return CScriptedPlatform::WriteProfileString(strSection, strEntry, strValue);
}

bool CRecordingPlatform::WriteProfileInt(const std::string& strSection, const std::string& strEntry, int nValue) {
    m_arrWrites.push_back({strSection, strEntry, std::to_string(nValue), m_pFrame ? m_pFrame->GetMenuSet() : 0});
    return CScriptedPlatform::WriteProfileInt(strSection, strEntry, nValue);
}

bool CRecordingPlatform::HasSetting(const std::string& strSection, const std::string& strEntry) {
    const std::string strAbsent("\x01");
    return GetProfileString(strSection, strEntry, strAbsent) != strAbsent;
}

void CShellTest::SetUp() {
    SetPlatform(&m_platform);
    ResetDocDialogs();
    SDocDialogs& dialogs = GetDocDialogs();
    auto record = [this](const char* psz) { return [this, psz](QWidget*) { m_arrDialogs.push_back(psz); }; };
    dialogs.fnDbInfo = record("info");
    dialogs.fnBackupSettings = record("backup");
    dialogs.fnDatabasePassword = record("encrypt");
    dialogs.fnAdminLogin = record("login");
    dialogs.fnAdminSetup = record("setup");
    dialogs.fnSearch = [this](QWidget*, COrvantisDoc*) { m_arrDialogs.push_back("search"); };
    m_pDoc = std::make_unique<COrvantisDoc>();
    m_pFrame = std::make_unique<CMainFrame>(m_pDoc.get());
    m_platform.m_pFrame = m_pFrame.get();
    ASSERT_TRUE(m_pDoc->OnNewDocument());
    m_pFrame->show();
    Pump();
}

void CShellTest::TearDown() {
    m_platform.m_pFrame = nullptr;
    m_pFrame.reset();
    m_pDoc.reset();
    Pump();
    CloseDatabase();
    GetDbPasswort().ClearPassword();
    GetDbPasswort().SetPrompt(nullptr);
    SetFieldCodec(nullptr);
    ResetDocDialogs();
    SetPlatform(nullptr);
}

void CShellTest::Pump() {
    for (int i = 0; i < 4; ++i) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

namespace {
bool StoreNodes(CKnowHow& service, const std::vector<SNode>& arrNodes, std::int32_t nFolder) {
    std::int32_t nPos = 0;
    for (const SNode& node : arrNodes) {
        CKnowHowItem item;
        item.MasterID = nFolder;
        item.SetPosNr(++nPos);
        item.SetIsDir(node.strName[0] == '+' ? 1 : 0);
        item.SetName(Ansi(node.strName.substr(1).c_str()));
        item.SetText(Ansi(("Text von " + node.strName.substr(1)).c_str()));
        CKnowHowArray arr{item};
        if (!service.SaveItems(arr)) return false;
        if (!StoreNodes(service, node.arrChildren, arr[0].ID)) return false;
    }
    return true;
}
}  // namespace

std::string CShellTest::MakeDatabase(const std::string& strName, const std::vector<SNode>& arrNodes) {
    std::string strPath = m_dir.File(strName);
    {
        std::unique_ptr<CKnowHow> pService = CreateKnowledgeBase(strPath);
        EXPECT_TRUE(pService);
        if (pService) EXPECT_TRUE(StoreNodes(*pService, arrNodes, 0));
    }
    CloseDatabase();
    return strPath;
}

std::int32_t CShellTest::IdOf(const std::string& strName) {
    CKnowHow* pService = m_pDoc->GetService();
    if (!pService) return -1;
    CKnowHowArray arr;
    pService->GetAllItems(arr);
    for (const CKnowHowItem& item : arr)
        if (item.Name == Ansi(strName.c_str())) return item.ID;
    return -1;
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

std::string CShellTest::ChildNames(std::int32_t nFolder) {
    CKnowHowArray arr;
    m_pDoc->GetChildren(arr, nFolder, false);
    std::string str;
    std::int32_t nExpected = 1;
    for (const CKnowHowItem& item : arr) {
        if (!str.empty()) str += ",";
        str += Cp1252ToUtf8(item.Name);
        // positions must run 1..n without gaps
        if (item.PosNr != nExpected++) str += "@" + std::to_string(item.PosNr);
    }
    return str;
}

std::string CShellTest::TitleText() const {
    return m_pFrame->GetTitleView()->GetTitleText().toStdString();
}

int CShellTest::CommandEnabled(int nId) const {
    return m_pFrame->QueryCommandState(nId).bEnabled ? 1 : 0;
}
