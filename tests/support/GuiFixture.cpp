#include "support/GuiFixture.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/DocDialogs.h"
#include "db/CDB.h"
#include "platform/Cp1252.h"
#include "protect/CDbPasswort.h"
#include "protect/KnowledgeBase.h"
#include "protect/ui/CPasswortDlg.h"
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
            default:
                if (nKey >= Qt::Key_A && nKey <= Qt::Key_Z && !(mods & Qt::ControlModifier))
                    strText = QChar(nKey - Qt::Key_A + 'a');
                break;
        }
    }
    QKeyEvent press(QEvent::KeyPress, nKey, mods, strText);
    QCoreApplication::sendEvent(pWidget, &press);
    QKeyEvent release(QEvent::KeyRelease, nKey, mods, strText);
    QCoreApplication::sendEvent(pWidget, &release);
}

void TypeKeys(QLineEdit* pEdit, const QString& str) {
    pEdit->clear();
    for (QChar ch : str) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(pEdit, &press);
        QApplication::sendEvent(pEdit, &release);
    }
}

void AnswerPasswordDialog(const QString& strPassword, int nButton) {
    auto* pTimer = new QTimer;
    QObject::connect(pTimer, &QTimer::timeout, [=] {
        auto* pDlg = qobject_cast<CPasswortDlg*>(QApplication::activeModalWidget());
        if (!pDlg) return;
        pTimer->stop();
        pTimer->deleteLater();
        TypeKeys(pDlg->findChild<QLineEdit*>(QString::number(CPasswortDlg::IDC_PASSWORD)), strPassword);
        QTest::mouseClick(pDlg->findChild<QPushButton*>(QString::number(nButton)), Qt::LeftButton);
    });
    pTimer->start(20);
}

void CGuiTest::SetUp() {
    SetPlatform(&Platform());
    ResetDocDialogs();
    m_pDoc = std::make_unique<COrvantisDoc>();
    m_pFrame = std::make_unique<CMainFrame>(*m_pDoc);
    ASSERT_TRUE(m_pDoc->OnNewDocument());
    m_pFrame->show();
    Pump();
}

void CGuiTest::TearDown() {
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

void CGuiTest::Pump() {
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
        if (service.SaveItems(one) != EWriteResult::Saved) return false;
        if (!StoreEntries(service, entry.arrChildren, one[0].ID)) return false;
    }
    return true;
}
}  // namespace

std::string CGuiTest::MakeKnowledgeBase(const std::string& strFile, const std::vector<SEntry>& arrEntries) {
    std::string strPath = m_dir.File(strFile);
    {
        std::unique_ptr<CKnowHow> pService = CreateKnowledgeBase(strPath);
        EXPECT_TRUE(pService);
        if (pService) {
            EXPECT_TRUE(StoreEntries(*pService, arrEntries, 0));
        }
    }
    CloseDatabase();
    return strPath;
}

std::int32_t CGuiTest::IdOf(const std::string& strName) {
    CKnowHow* pService = m_pDoc->GetService();
    if (!pService) return -1;
    CKnowHowArray arr;
    pService->GetAllItems(arr);
    for (const CKnowHowItem& item : arr)
        if (item.Name == Ansi(strName.c_str())) return item.ID;
    return -1;
}

std::string CGuiTest::ChildNames(std::int32_t nFolder) {
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
