#pragma once
// A document with its main frame on the offscreen platform, the scripted
// platform installed, the document's dialogs recorded instead of shown, and
// helpers that build knowledge bases through the core.

#include <gtest/gtest.h>

#include <QTreeWidgetItem>
#include <memory>
#include <string>
#include <vector>

#include "app/CMainFrame.h"
#include "app/COrvantisDoc.h"
#include "support/TestSupport.h"

class CLeftView;

// Records every settings write with the menu set in force at that moment.
class CRecordingPlatform : public CScriptedPlatform {
public:
    struct SWrite {
        std::string strSection, strEntry, strValue;
        int nMenuSet;
    };
    bool WriteProfileString(const std::string& strSection, const std::string& strEntry,
                            const std::string& strValue) override;
    bool WriteProfileInt(const std::string& strSection, const std::string& strEntry, int nValue) override;
    bool HasSetting(const std::string& strSection, const std::string& strEntry);

    std::vector<SWrite> m_arrWrites;
    CMainFrame* m_pFrame = nullptr;
};

// Tree of a test database: folders ("+Name") and entries ("-Name").
struct SNode {
    std::string strName;  // with the marker in front
    std::vector<SNode> arrChildren;
};

class CShellTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs queued messages and deferred deletes.
    static void Pump();
    // A knowledge base made through the core, closed again.
    std::string MakeDatabase(const std::string& strName, const std::vector<SNode>& arrNodes);
    // ID of the (first) row with that keyword in the open database; -1 when none.
    std::int32_t IdOf(const std::string& strName);
    // Opens through the document's open path and runs the posted messages.
    bool Open(const std::string& strPath);
    CLeftView* Tree() const;
    QTreeWidgetItem* ItemOf(const std::string& strName) const;
    // "Name,Name,..." of the children of a folder in position order (all kinds).
    std::string ChildNames(std::int32_t nFolder);
    std::string TitleText() const;
    int CommandEnabled(int nId) const;  // 1 enabled, 0 disabled

    CRecordingPlatform m_platform;
    CTempDir m_dir;
    std::unique_ptr<COrvantisDoc> m_pDoc;
    std::unique_ptr<CMainFrame> m_pFrame;
    std::vector<std::string> m_arrDialogs;  // the document's dialogs opened, by command name
};
