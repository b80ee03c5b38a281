#pragma once
// The main frame with its document on the offscreen platform, a knowledge
// base built through the core, and helpers that drive the detail view with
// real mouse and key events.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/CMainFrame.h"
#include "app/COrvantisDoc.h"
#include "edit/CDetailView.h"
#include "edit/CEditEx.h"
#include "support/TestSupport.h"

// "+Name" a folder, "-Name" an entry; the text is "Text von Name" unless given.
struct SEntry {
    std::string strName;
    std::vector<SEntry> arrChildren = {};
    const char* pszText = nullptr;
    const char* pszLink = nullptr;
};

class CViewTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    static void Pump();
    // A knowledge base made through the core and closed again (UTF-8 names).
    std::string MakeDatabase(const std::vector<SEntry>& arrEntries, const std::string& strName = "wissen.tov");
    // Opened through the document's open path, write protection off.
    bool Open(const std::string& strPath);
    CDetailView* View() const { return m_pFrame->GetDetailView(); }
    CEditEx* KeywordEdit() const { return View()->GetKeywordEditor(); }
    CEditEx* TextEdit() const { return View()->GetTextEditor(); }
    CEditEx* ActiveEdit() const;

    std::int32_t IdOf(const std::string& strName);
    // The stored entry (empty one with ID 0 when none).
    CKnowHowItem Stored(std::int32_t nId);
    // "Name,Name,..." of the stored children in position order; a position
    // out of order is marked "@n".
    std::string ChildNames(std::int32_t nFolder);
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

    CScriptedPlatform m_platform;
    CTempDir m_dir;
    std::unique_ptr<COrvantisDoc> m_pDoc;
    std::unique_ptr<CMainFrame> m_pFrame;
    std::string m_strPath;
};

// A key as the keyboard delivers it (no separate modifier presses).
void SendKey(QWidget* pWidget, int nKey, Qt::KeyboardModifiers mods, QString strText = QString());
