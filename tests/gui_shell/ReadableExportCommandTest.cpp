// "Datei > Exportieren als": the menu, the file dialog, the folder shown and
// the question of a protected base.

#include <QMenu>
#include <QMenuBar>

#include "ShellFixture.h"
#include "app/CLeftView.h"
#include "app/CMainFrame.h"
#include "protect/CDbPasswort.h"
#include "ui/CommandIds.h"

namespace {
const std::vector<SNode> kTree = {{"+Alpha", {{"-Notiz", {}, "Text der Notiz"}}}, {"+Beta/Gamma", {}, "B-Text"}};

class CReadableExportCommandTest : public CShellTest {
protected:
    void TearDown() override {
        GetDbPasswort().SetPrompt(nullptr);
        CShellTest::TearDown();
    }
};

TEST_F(CReadableExportCommandTest, TheMenuOffersThreeFormatsForTheFolderShown) {
    ASSERT_TRUE(Open(MakeDatabase("Wissen.tov", kTree)));
    QMenu* pExport = nullptr;
    for (QAction* p : m_pFrame->menuBar()->actions())
        if (p->menu() && p->text() == "&Datei")
            for (QAction* pItem : p->menu()->actions())
                if (pItem->menu() && pItem->text() == QString::fromUtf8("Exportieren &als …")) pExport = pItem->menu();
    ASSERT_NE(pExport, nullptr);
    QStringList arrTexts;
    for (QAction* p : pExport->actions()) arrTexts << p->text();
    EXPECT_EQ(arrTexts, (QStringList{"&HTML ...", "&Markdown ...", "&Text ..."}));

    // from the detail view too: the folder it shows is exported
    Tree()->SelectFolder(IdOf("Alpha"));
    Pump();
    m_pFrame->ActivatePane(PANE_DETAIL);
    std::string strFile = m_dir.File("alpha.md");
    m_platform.QueueFileDialog(strFile);
    EXPECT_TRUE(m_pFrame->RouteCommand(ID_EXPORT_MARKDOWN));
    ASSERT_EQ(m_platform.m_arrDialogs.size(), 1u);
    EXPECT_EQ(m_platform.m_arrDialogs[0].strTitle, "Als Markdown exportieren");
    EXPECT_EQ(m_platform.m_arrDialogs[0].strPresetName, "Alpha");
    EXPECT_EQ(m_platform.m_arrDialogs[0].strDefExt, "md");
    EXPECT_EQ(ReadFile(strFile), "# Alpha\n\n## Alpha\n\nText von Alpha\n\n### Notiz\n\nText der Notiz\n");
    EXPECT_EQ(m_platform.LastMessage(), "Die Daten wurden exportiert.");

    // the whole base under its name; a slash in a keyword names no folder
    m_platform.Clear();
    m_platform.QueueFileDialog(m_dir.File("alles.html"));
    m_pDoc->ExportReadableAsk(0, EReadableFormat::Html);
    EXPECT_EQ(m_platform.m_arrDialogs[0].strPresetName, "Wissen");
    EXPECT_NE(ReadFile(m_dir.File("alles.html")).find("<h2>Beta/Gamma</h2>"), std::string::npos);
    m_platform.Clear();
    m_pDoc->ExportReadableAsk(IdOf("Beta/Gamma"), EReadableFormat::Text);  // cancelled
    EXPECT_EQ(m_platform.m_arrDialogs[0].strPresetName, "Beta_Gamma");
    EXPECT_TRUE(m_platform.m_arrMessages.empty());
}

TEST_F(CReadableExportCommandTest, AProtectedBaseAsksBeforeWritingItsTextsOut) {
    std::string strPath = MakeDatabase("geschützt.tov", kTree);
    ASSERT_EQ(RunCli({"protect", strPath, "--new", "geheim"}).nExit, 0);
    GetDbPasswort().SetPrompt([](CDbPasswort& p) { return p.CheckPassword("geheim"); });
    ASSERT_TRUE(Open(strPath));
    m_platform.Clear();

    std::string strFile = m_dir.File("notiz.txt");
    m_platform.QueueAnswer(EMsgResult::No);
    m_pDoc->ExportReadableAsk(IdOf("Alpha"), EReadableFormat::Text);
    ASSERT_EQ(m_platform.m_arrMessages.size(), 1u);
    EXPECT_EQ(m_platform.m_arrMessages[0].eButtons, EMsgButtons::YesNo);
    EXPECT_NE(m_platform.LastMessage().find("unverschlüsselt"), std::string::npos);
    EXPECT_TRUE(m_platform.m_arrDialogs.empty());

    m_platform.Clear();
    m_platform.QueueAnswer(EMsgResult::Yes);
    m_platform.QueueFileDialog(strFile);
    m_pDoc->ExportReadableAsk(IdOf("Alpha"), EReadableFormat::Text);
    EXPECT_EQ(ReadFile(strFile), "Alpha\n=====\n\n+ Alpha\n  Text von Alpha\n\n  - Notiz\n    Text der Notiz\n");
    EXPECT_EQ(m_platform.LastMessage(), "Die Daten wurden exportiert.");
}
}  // namespace
