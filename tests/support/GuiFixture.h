#pragma once
// What the GUI test programs share: a document with its main frame on the
// offscreen platform, a scripted platform installed, knowledge bases built
// through the core, and keys sent as a keyboard delivers them.

#include <gtest/gtest.h>

#include <QString>
#include <Qt>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/CMainFrame.h"
#include "app/COrvantisDoc.h"
#include "support/TestSupport.h"

class QLineEdit;
class QWidget;

// A folder ("+Name") or an entry ("-Name") with its children; the text is
// "Text von Name" unless given.
struct SEntry {
    std::string strName;
    std::vector<SEntry> arrChildren = {};
    const char* pszText = nullptr;
    const char* pszLink = nullptr;
};

class CGuiTest : public ::testing::Test {
protected:
    // Installs Platform(), puts the real dialogs back, makes document and
    // frame, runs the start-up's first new-document call and shows the frame.
    void SetUp() override;
    void TearDown() override;
    // The platform the fixture installs.
    virtual CScriptedPlatform& Platform() = 0;

    // Runs queued messages and deferred deletes.
    static void Pump();
    // A knowledge base made through the core and closed again (UTF-8 names).
    std::string MakeKnowledgeBase(const std::string& strFile, const std::vector<SEntry>& arrEntries);
    // ID of the (first) stored row with that keyword; -1 when none.
    std::int32_t IdOf(const std::string& strName);
    // "Name,Name,..." of the stored children in position order; a position
    // out of order is marked "@n".
    std::string ChildNames(std::int32_t nFolder);

    CTempDir m_dir;
    std::unique_ptr<COrvantisDoc> m_pDoc;
    std::unique_ptr<CMainFrame> m_pFrame;
};

// One key press as the keyboard delivers it, without separate presses of
// the modifier keys; the text follows from the key when not given.
void SendKey(QWidget* pWidget, int nKey, Qt::KeyboardModifiers mods, QString strText = QString());
// Empties the field and types the text key by key, as a keyboard would
// (QTest's own typing knows only ASCII).
void TypeKeys(QLineEdit* pEdit, const QString& str);
// Answers the password dialog of an opening once it is up: types the
// password and presses the button (IDOK or IDCANCEL).
void AnswerPasswordDialog(const QString& strPassword, int nButton);
