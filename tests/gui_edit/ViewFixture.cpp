#include "ViewFixture.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <utility>

#include "app/CLeftView.h"
#include "app/DocDialogs.h"
#include "db/CDB.h"
#include "platform/Cp1252.h"
#include "protect/KnowledgeBase.h"
#include "tree/CKnowHow.h"

void CViewTest::SetUp() {
    CGuiTest::SetUp();
    if (HasFatalFailure()) return;
    GetDocDialogs().fnSearch = [](QWidget*, COrvantisDoc&) {};
    m_pFrame->resize(1000, 700);
    QApplication::setActiveWindow(m_pFrame.get());
    Pump();
    // answers the refused-row dialog from inside its own event loop
    auto* pTimer = new QTimer(m_pFrame.get());
    QObject::connect(pTimer, &QTimer::timeout, [this] {
        auto* pDlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!pDlg || pDlg->objectName() != QStringLiteral("refusedRowDialog") || !pDlg->isVisible()) return;
        if (m_strAnswer.empty()) {
            if (++m_nUnansweredTicks < 100) return;
            ADD_FAILURE() << "a refused-row dialog nobody expected";
            m_nUnansweredTicks = 0;
            pDlg->reject();
            return;
        }
        m_nUnansweredTicks = 0;
        ++m_nRefusedDialogs;
        if (auto* pMessage = pDlg->findChild<QLabel*>(QStringLiteral("message")))
            m_strRefusedMessage = pMessage->text().toStdString();
        const std::string strButton = std::exchange(m_strAnswer, std::string());
        if (auto fn = std::exchange(m_fnWhileOpen, nullptr)) fn();
        auto* pButton = pDlg->findChild<QPushButton*>(QString::fromStdString(strButton));
        if (!pButton) {
            ADD_FAILURE() << "the dialog has no button " << strButton;
            pDlg->reject();
            return;
        }
        QTest::mouseClick(pButton, Qt::LeftButton);
    });
    pTimer->start(30);
}

void CViewTest::AnswerRefusedRow(const char* pszButton, std::function<void()> fnWhileOpen) {
    m_strAnswer = pszButton;
    m_fnWhileOpen = std::move(fnWhileOpen);
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
        case EDITOR_KEYWORD: return KeywordEdit();
        case EDITOR_TEXT: return TextEdit();
        case EDITOR_NONE: return nullptr;
    }
    return nullptr;
}

CKnowHowItem CViewTest::Stored(std::int32_t nId) {
    CKnowHowItem item;
    m_pDoc->GetItem(item, nId);
    return item;
}

CKnowHowItem CViewTest::StoredAfterClose(std::int32_t nId) {
    CKnowHowItem item;
    {
        std::unique_ptr<CKnowHow> pService = OpenKnowledgeBase(m_strPath);
        EXPECT_TRUE(pService);
        if (pService) {
            EXPECT_EQ(pService->GetItem(item, nId), 1);
        }
    }
    CloseDatabase();
    return item;
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
