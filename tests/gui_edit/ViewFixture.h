#pragma once
// The main frame with its document on the offscreen platform, a knowledge
// base built through the core, and helpers that drive the detail view with
// real mouse and key events.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "edit/CDetailView.h"
#include "edit/CEditEx.h"
#include "support/GuiFixture.h"

class CViewTest : public CGuiTest {
protected:
    void SetUp() override;
    CScriptedPlatform& Platform() override { return m_platform; }

    std::string MakeDatabase(const std::vector<SEntry>& arrEntries, const std::string& strName = "wissen.tov") {
        return MakeKnowledgeBase(strName, arrEntries);
    }
    // Opened through the document's open path, write protection off.
    bool Open(const std::string& strPath);
    CDetailView* View() const { return m_pFrame->GetDetailView(); }
    CEditEx* KeywordEdit() const { return View()->GetKeywordEditor(); }
    CEditEx* TextEdit() const { return View()->GetTextEditor(); }
    CEditEx* ActiveEdit() const;

    // The stored entry (empty one with ID 0 when none).
    CKnowHowItem Stored(std::int32_t nId);
    // The same read by a session of its own once the document has closed
    // the file; the session is closed again.
    CKnowHowItem StoredAfterClose(std::int32_t nId);
    // Keywords of the view's rows, the empty row as "_".
    std::string RowNames() const;
    int RowOf(const std::string& strName) const;

    // Shows the folder the way the tree does.
    void ShowFolder(std::int32_t nFolder);
    // Left click into a row: x 10 icon, 60 keyword, right of the column text.
    void ClickRow(int nRow, int x);
    void Press(int nKey, Qt::KeyboardModifiers mods = Qt::NoModifier);
    void Type(const QString& str);
    bool CommandEnabled(int nId);
    void SetProtected(bool b);

    std::vector<std::string> Messages() const { return m_platform.MessageTexts(); }

    // The next "Eintrag nicht gespeichert" dialog is answered with the button
    // named pszButton (keepMine, takeStored, saveAsNew, discard, later) once
    // it is open; fnWhileOpen runs first, with the dialog still open. Its
    // message (UTF-8) and the number of dialogs seen are kept below. A dialog
    // nobody arms an answer for fails the test and is closed.
    void AnswerRefusedRow(const char* pszButton, std::function<void()> fnWhileOpen = {});
    std::string m_strRefusedMessage;
    int m_nRefusedDialogs = 0;

    CScriptedPlatform m_platform;
    std::string m_strPath;

private:
    std::string m_strAnswer;
    std::function<void()> m_fnWhileOpen;
    int m_nUnansweredTicks = 0;
};
