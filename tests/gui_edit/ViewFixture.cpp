#include "ViewFixture.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTest>

#include "app/CLeftView.h"
#include "app/DocDialogs.h"
#include "db/CDB.h"
#include "platform/Cp1252.h"
#include "protect/CDbPasswort.h"
#include "protect/KnowledgeBase.h"
#include "table/CFieldCodec.h"
#include "tree/CKnowHow.h"

void SendKey(QWidget* pWidget, int nKey, Qt::KeyboardModifiers mods, QString strText) {
    if (strText.isNull()) {
        switch (nKey) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
                strText = (mods & Qt::ControlModifier) ? QStringLiteral("\n") : QStringLiteral("\r");
                break;
            case Qt::Key_Tab:
            case Qt::Key_Backtab: strText = QStringLiteral("\t"); break;
            case Qt::Key_Escape: strText = QStringLiteral("\x1b"); break;
            default: break;
        }
    }
    QKeyEvent press(QEvent::KeyPress, nKey, mods, strText);
    QCoreApplication::sendEvent(pWidget, &press);
    QKeyEvent release(QEvent::KeyRelease, nKey, mods, strText);
    QCoreApplication::sendEvent(pWidget, &release);
}

void CViewTest::SetUp() {
    SetPlatform(&m_platform);
    ResetDocDialogs();
    GetDocDialogs().fnSearch = [](QWidget*, COrvantisDoc*) {};
    m_pDoc = std::make_unique<COrvantisDoc>();
    m_pFrame = std::make_unique<CMainFrame>(m_pDoc.get());
    ASSERT_TRUE(m_pDoc->OnNewDocument());
    m_pFrame->resize(1000, 700);
    m_pFrame->show();
    QApplication::setActiveWindow(m_pFrame.get());
    Pump();
}

void CViewTest::TearDown() {
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

void CViewTest::Pump() {
    for (int i = 0; i < 4; ++i) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

namespace {
bool StoreEntries(CKnowHow& service, const std::vector<SEntry>& arr, std::int32_t nFolder) {
    std::int32_t nPos = 0;
    for (const SEntry& entry : arr) {
        CKnowHowItem item;
        item.MasterID = nFolder;
        item.SetPosNr(++nPos);
        item.SetIsDir(entry.strName[0] == '+' ? 1 : 0);
        const std::string strName = entry.strName.substr(1);
        item.SetName(Ansi(strName.c_str()));
        item.SetText(entry.pszText ? Ansi(entry.pszText) : Ansi(("Text von " + strName).c_str()));
        if (entry.pszLink) {
            item.SetLink(Ansi(entry.pszLink));
            item.SetTyp(1);
        }
        CKnowHowArray one{item};
        if (!service.SaveItems(one)) return false;
        if (!StoreEntries(service, entry.arrChildren, one[0].ID)) return false;
    }
    return true;
}
}  // namespace

std::string CViewTest::MakeDatabase(const std::vector<SEntry>& arrEntries, const std::string& strName) {
    std::string strPath = m_dir.File(strName);
    {
        std::unique_ptr<CKnowHow> pService = CreateKnowledgeBase(strPath);
        EXPECT_TRUE(pService);
        if (pService) EXPECT_TRUE(StoreEntries(*pService, arrEntries, 0));
    }
    CloseDatabase();
    return strPath;
}

bool CViewTest::Open(const std::string& strPath) {
    m_strPath = strPath;
    bool b = m_pDoc->OpenDocumentFile(strPath);
    Pump();
    if (b && m_pDoc->IsWriteProtected()) {
        m_pDoc->ToggleWriteProtect();
        Pump();
    }
    return b;
}

CEditEx* CViewTest::ActiveEdit() const {
    switch (View()->GetActiveEditor()) {
        case 1: return KeywordEdit();
        case 2: return TextEdit();
        default: return nullptr;
    }
}

std::int32_t CViewTest::IdOf(const std::string& strName) {
    CKnowHow* pService = m_pDoc->GetService();
    if (!pService) return -1;
    CKnowHowArray arr;
    pService->GetAllItems(arr);
    for (const CKnowHowItem& item : arr)
        if (item.Name == Ansi(strName.c_str())) return item.ID;
    return -1;
}

CKnowHowItem CViewTest::Stored(std::int32_t nId) {
    CKnowHowItem item;
    m_pDoc->GetItem(item, nId);
    return item;
}

std::string CViewTest::ChildNames(std::int32_t nFolder) {
    CKnowHowArray arr;
    m_pDoc->GetChildren(arr, nFolder, false);
    std::string str;
    std::int32_t nExpected = 1;
    for (const CKnowHowItem& item : arr) {
        if (!str.empty()) str += ",";
        str += Cp1252ToUtf8(item.Name);
        if (item.PosNr != nExpected++) str += "@" + std::to_string(item.PosNr);
    }
    return str;
}

std::string CViewTest::RowNames() const {
    std::string str;
    for (const CKnowHowItem& item : View()->GetRows()) {
        if (!str.empty()) str += ",";
        str += item.ID == 0 && item.Name.empty() ? std::string("_") : Cp1252ToUtf8(item.Name);
    }
    return str;
}

int CViewTest::RowOf(const std::string& strName) const {
    const CKnowHowArray& arr = View()->GetRows();
    for (int i = 0; i < static_cast<int>(arr.size()); ++i)
        if (arr[i].Name == Ansi(strName.c_str())) return i;
    return -1;
}

void CViewTest::ShowFolder(std::int32_t nFolder) {
    SendPaneMessage(m_pFrame->GetTreeView(), WM_SHOW_FOLDER, nFolder);
    Pump();
}

void CViewTest::ClickRow(int nRow, int x) {
    const int y = 1 - View()->GetScrollPos() + View()->RowTop(nRow) + 8;
    QTest::mouseClick(View()->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(x, y));
    Pump();
}

void CViewTest::Press(int nKey, Qt::KeyboardModifiers mods) {
    QWidget* pTarget = ActiveEdit() ? static_cast<QWidget*>(ActiveEdit()) : View();
    SendKey(pTarget, nKey, mods);
    Pump();
}

void CViewTest::Type(const QString& str) {
    ASSERT_NE(ActiveEdit(), nullptr);
    for (QChar ch : str)
        SendKey(ActiveEdit(), ch == '\n' ? int(Qt::Key_Return) : 0, Qt::NoModifier,
                QString(ch == '\n' ? QChar('\r') : ch));
    Pump();
}

bool CViewTest::CommandEnabled(int nId) {
    SCommandState state;
    if (!View()->OnUpdateCommand(nId, state)) return false;
    return state.bEnabled;
}

void CViewTest::SetProtected(bool b) {
    if (m_pDoc->IsWriteProtected() != b) m_pDoc->ToggleWriteProtect();
    Pump();
}
