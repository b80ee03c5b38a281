#pragma once
// A document with its main frame on the offscreen platform, the scripted
// platform installed, the document's dialogs recorded instead of shown, and
// helpers that build knowledge bases through the core.

#include <QTreeWidgetItem>
#include <string>
#include <vector>

#include "support/GuiFixture.h"

class CLeftView;

// Records every settings write with the menu set in force at that moment.
class CRecordingPlatform : public CScriptedPlatform {
public:
    struct SWrite {
        std::string strSection, strEntry, strValue;
        EResourceSet eMenuSet;  // 0 while there is no frame
    };
    bool WriteProfileString(const std::string& strSection, const std::string& strEntry,
                            const std::string& strValue) override;
    bool WriteProfileInt(const std::string& strSection, const std::string& strEntry, int nValue) override;
    bool HasSetting(const std::string& strSection, const std::string& strEntry);

    std::vector<SWrite> m_arrWrites;
    CMainFrame* m_pFrame = nullptr;
};

// Tree of a test database: folders ("+Name") and entries ("-Name").
using SNode = SEntry;

class CShellTest : public CGuiTest {
protected:
    void SetUp() override;
    void TearDown() override;
    CScriptedPlatform& Platform() override { return m_platform; }

    std::string MakeDatabase(const std::string& strName, const std::vector<SNode>& arrNodes) {
        return MakeKnowledgeBase(strName, arrNodes);
    }
    // Opens through the document's open path and runs the posted messages.
    bool Open(const std::string& strPath);
    CLeftView* Tree() const;
    QTreeWidgetItem* ItemOf(const std::string& strName) const;
    std::string TitleText() const;
    int CommandEnabled(int nId) const;  // 1 enabled, 0 disabled

    CRecordingPlatform m_platform;
    std::vector<std::string> m_arrDialogs;  // the document's dialogs opened, by command name
};
