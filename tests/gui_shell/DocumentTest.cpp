// Opening, creating and closing a knowledge base through the document, and
// the document's own commands.

#include <QAction>
#include <QFont>
#include <QFontInfo>
#include <QFontMetrics>
#include <QToolBar>

#include "ShellFixture.h"
#include "app/CLeftView.h"
#include "app/CTitleView.h"
#include "app/DocDialogs.h"
#include "db/CDB.h"
#include "edit/CDetailView.h"
#include "platform/Cp1252.h"
#include "protect/CDbAdmin.h"
#include "protect/CDbPasswort.h"
#include "tree/CKnowHow.h"
#include "ui/CommandIds.h"

namespace {
const std::vector<SNode> TWO_FOLDERS = {{"+Alpha", {{"+Unter", {}}, {"-Notiz", {}}}}, {"+Beta", {}}};

std::string LastDb() {
    return GetPlatform().GetProfileString("Files", "LastDB", "?");
}
}  // namespace

TEST_F(CShellTest, StartsWithoutDatabaseInMenuSet135AndWriteProtected) {
    EXPECT_FALSE(m_pDoc->IsDatabaseOpen());
    EXPECT_EQ(m_pFrame->GetMenuSet(), IDR_MENU_CLOSED);
    EXPECT_TRUE(m_pDoc->IsWriteProtected());
    EXPECT_EQ(m_pDoc->GetTitle(), "");
    // the start-up call of the new-document path shows no dialog
    EXPECT_TRUE(m_platform.m_arrDialogs.empty());
    EXPECT_EQ(m_pFrame->windowTitle().toStdString(), " - Orvantis - 1.200");
}

TEST_F(CShellTest, OpeningRunsTheGuiStepsInOrderAndPostsThePaneMessages) {
    std::string strPath = MakeDatabase("Projekte.tov", TWO_FOLDERS);
    m_platform.m_arrWrites.clear();

    ASSERT_TRUE(m_pDoc->OpenDocumentFile(strPath));
    // closing first (LastDB emptied under set 135), then the path remembered
    // before the switch to set 128
    std::vector<std::pair<std::string, EResourceSet>> arrLastDb;
    for (const auto& w : m_platform.m_arrWrites)
        if (w.strEntry == "LastDB") arrLastDb.emplace_back(w.strValue, w.eMenuSet);
    ASSERT_EQ(arrLastDb.size(), 2u);
    EXPECT_EQ(arrLastDb[0], std::make_pair(std::string(), IDR_MENU_CLOSED));
    EXPECT_EQ(arrLastDb[1], std::make_pair(strPath, IDR_MENU_CLOSED));
    EXPECT_EQ(m_pFrame->GetMenuSet(), IDR_MENU_OPEN);
    // the initial update has filled the tree; the pane messages are posted,
    // so nothing is selected before they run
    EXPECT_EQ(Tree()->topLevelItemCount(), 2);
    EXPECT_EQ(Tree()->SelectedItem(), nullptr);

    Pump();
    ASSERT_NE(Tree()->SelectedItem(), nullptr);
    EXPECT_EQ(Tree()->SelectedItem()->text(0).toStdString(), "Alpha");
    EXPECT_EQ(TitleText(), "Alpha");
    // a database with top-level folders keeps the write protection
    EXPECT_TRUE(m_pDoc->IsWriteProtected());
}

TEST_F(CShellTest, OpenPathSetsTitleCaptionAndRecentFiles) {
    std::string strPath = MakeDatabase("Projekte.tov", TWO_FOLDERS);
    ASSERT_TRUE(Open(strPath));
    EXPECT_EQ(m_pDoc->GetTitle(), "Projekte");
    EXPECT_EQ(m_pDoc->GetPathName(), strPath);
    EXPECT_EQ(m_pFrame->windowTitle().toStdString(), "Projekte - Orvantis - 1.200");
    ASSERT_FALSE(m_pDoc->GetRecentFileList().GetFiles().empty());
    EXPECT_EQ(m_pDoc->GetRecentFileList().GetFiles()[0], strPath);
    EXPECT_EQ(GetPlatform().GetProfileString("Recent File List", "File1", ""), strPath);
    EXPECT_EQ(LastDb(), strPath);
}

TEST_F(CShellTest, OpeningWithoutTopLevelFolderSwitchesProtectionOffAndShowsTheTopLevel) {
    std::string strPath = MakeDatabase("leer.tov", {});
    ASSERT_TRUE(m_pDoc->IsWriteProtected());
    ASSERT_TRUE(Open(strPath));
    EXPECT_FALSE(m_pDoc->IsWriteProtected());
    EXPECT_EQ(m_pFrame->GetDetailView()->GetCurrentFolder(), 0);
    EXPECT_EQ(TitleText(), "Hauptordner");
    EXPECT_EQ(m_pFrame->GetActivePaneKind(), PANE_DETAIL);
    EXPECT_EQ(Tree()->topLevelItemCount(), 0);
}

TEST_F(CShellTest, OpeningKeepsAWriteProtectionThatWasSwitchedOff) {
    std::string strPath = MakeDatabase("Projekte.tov", TWO_FOLDERS);
    m_pDoc->SetWriteProtected(false);
    ASSERT_TRUE(Open(strPath));
    EXPECT_FALSE(m_pDoc->IsWriteProtected());
}

TEST_F(CShellTest, CreatingAskedForAPathAndOpensTheEmptyTopLevelUnprotected) {
    std::string strPath = m_dir.File("neu.tov");
    m_platform.QueueFileDialog(strPath);
    ASSERT_TRUE(m_pDoc->OnNewDocument());
    ASSERT_EQ(m_platform.m_arrDialogs.size(), 1u);
    const SRecordedDialog& dlg = m_platform.m_arrDialogs[0];
    EXPECT_FALSE(dlg.bOpen);
    EXPECT_EQ(dlg.strTitle, "Datenbank anlegen");
    EXPECT_EQ(dlg.strFilter, "Datenbank (*.tov)|*.tov||");
    EXPECT_EQ(dlg.strPresetName, "");
    // synchronous part
    EXPECT_TRUE(m_pDoc->IsDatabaseOpen());
    EXPECT_FALSE(m_pDoc->IsWriteProtected());
    EXPECT_EQ(m_pFrame->GetMenuSet(), IDR_MENU_OPEN);
    EXPECT_EQ(LastDb(), strPath);
    EXPECT_EQ(m_pDoc->GetTitle(), "neu");
    EXPECT_TRUE(GetDatabase().TableExists("Option"));
    EXPECT_TRUE(GetDatabase().TableExists("KnowHow"));
    Pump();
    EXPECT_EQ(m_pFrame->GetDetailView()->GetCurrentFolder(), 0);
    EXPECT_EQ(m_pFrame->GetActivePaneKind(), PANE_DETAIL);
    // no password prompt, version question or backup message
    EXPECT_TRUE(m_platform.m_arrMessages.empty());
}

TEST_F(CShellTest, CancelledCreateKeepsTheOpenDatabase) {
    std::string strPath = MakeDatabase("Projekte.tov", TWO_FOLDERS);
    ASSERT_TRUE(Open(strPath));
    m_platform.QueueFileDialog("");
    EXPECT_FALSE(m_pDoc->OnNewDocument());
    EXPECT_TRUE(m_pDoc->IsDatabaseOpen());
    EXPECT_EQ(m_pDoc->GetPathName(), strPath);
    EXPECT_EQ(m_pFrame->GetMenuSet(), IDR_MENU_OPEN);
    EXPECT_EQ(LastDb(), strPath);
}

TEST_F(CShellTest, CreatingOnAnExistingFileUsesItUnchangedWithoutPasswordPrompt) {
    std::string strPath = MakeDatabase("alt.tov", TWO_FOLDERS);
    int nPrompts = 0;
    GetDbPasswort().SetPrompt([&nPrompts](CDbPasswort&) {
        ++nPrompts;
        return false;
    });
    m_platform.QueueFileDialog(strPath);
    ASSERT_TRUE(m_pDoc->OnNewDocument());
    Pump();
    EXPECT_EQ(nPrompts, 0);
    EXPECT_EQ(ChildNames(0), "Alpha,Beta");
}

TEST_F(CShellTest, CreatingOnAFileThatIsNoDatabaseSaysSoAndOpensNothing) {
    std::string strOpen = MakeDatabase("offen.tov", TWO_FOLDERS);
    ASSERT_TRUE(Open(strOpen));
    std::string strText = m_dir.File("notiz.tov");
    WriteFile(strText, "Dies ist eine Textdatei und keine Datenbank.\n");
    m_platform.QueueFileDialog(strText);
    EXPECT_FALSE(m_pDoc->OnNewDocument());
    Pump();
    EXPECT_FALSE(m_pDoc->IsDatabaseOpen());
    EXPECT_FALSE(GetDatabase().IsOpen());
    EXPECT_EQ(m_pFrame->GetMenuSet(), IDR_MENU_CLOSED);
    EXPECT_EQ(m_pDoc->GetTitle(), "");
    EXPECT_EQ(LastDb(), "");
    ASSERT_EQ(m_platform.m_arrMessages.size(), 1u);
    EXPECT_EQ(m_platform.MessageTexts()[0], "Die Datenbank konnte nicht angelegt werden:\n\n" + strText);
    EXPECT_EQ(m_platform.m_arrMessages[0].eIcon, EMsgIcon::Exclamation);
    // the file is left as it was
    EXPECT_EQ(ReadFile(strText), "Dies ist eine Textdatei und keine Datenbank.\n");
}

TEST_F(CShellTest, RefusedPasswordLeavesNoDatabaseOpen) {
    std::string strPath = MakeDatabase("geheim.tov", TWO_FOLDERS);
    ASSERT_TRUE(OpenDatabase(strPath));
    ASSERT_TRUE(GetDbPasswort().SetDatabasePassword("geheim"));
    CloseDatabase();
    GetDbPasswort().ClearPassword();
    std::string strOther = MakeDatabase("offen.tov", TWO_FOLDERS);
    ASSERT_TRUE(Open(strOther));

    int nPrompts = 0;
    GetDbPasswort().SetPrompt([&nPrompts](CDbPasswort&) {
        ++nPrompts;
        return false;
    });
    EXPECT_FALSE(Open(strPath));
    EXPECT_EQ(nPrompts, 1);
    EXPECT_FALSE(m_pDoc->IsDatabaseOpen());
    EXPECT_FALSE(GetDatabase().IsOpen());
    EXPECT_EQ(m_pFrame->GetMenuSet(), IDR_MENU_CLOSED);
    EXPECT_EQ(m_pDoc->GetTitle(), "");
    EXPECT_EQ(m_pFrame->windowTitle().toStdString(), " - Orvantis - 1.200");
    EXPECT_EQ(Tree()->topLevelItemCount(), 0);
    EXPECT_EQ(LastDb(), "");
}

TEST_F(CShellTest, RefusedVersionLeavesNoDatabaseOpen) {
    std::string strPath = MakeDatabase("neuer.tov", TWO_FOLDERS);
    ASSERT_TRUE(OpenDatabase(strPath));
    ASSERT_TRUE(GetDatabase().SetOption("DbVersion", "1.300"));
    CloseDatabase();

    EXPECT_FALSE(Open(strPath));
    EXPECT_FALSE(m_pDoc->IsDatabaseOpen());
    EXPECT_EQ(m_pFrame->GetMenuSet(), IDR_MENU_CLOSED);
    ASSERT_EQ(m_platform.m_arrMessages.size(), 1u);
    EXPECT_NE(m_platform.MessageTexts()[0].find("1.300"), std::string::npos);
}

TEST_F(CShellTest, CloseByCommandForgetsTheDatabaseWhileQuittingKeepsIt) {
    std::string strPath = MakeDatabase("Projekte.tov", TWO_FOLDERS);
    ASSERT_TRUE(Open(strPath));
    ASSERT_TRUE(m_pFrame->RouteCommand(ID_DATABASE_CLOSE));
    EXPECT_FALSE(m_pDoc->IsDatabaseOpen());
    EXPECT_EQ(LastDb(), "");
    EXPECT_EQ(m_pFrame->GetMenuSet(), IDR_MENU_CLOSED);
    EXPECT_EQ(Tree()->topLevelItemCount(), 0);
    EXPECT_EQ(TitleText(), "");
    EXPECT_EQ(m_pFrame->GetDetailView()->GetCurrentFolder(), -1);
    EXPECT_EQ(m_pFrame->windowTitle().toStdString(), " - Orvantis - 1.200");

    ASSERT_TRUE(Open(strPath));
    m_pFrame->close();
    EXPECT_FALSE(m_pDoc->IsDatabaseOpen());
    EXPECT_EQ(LastDb(), strPath);
    EXPECT_EQ(m_pFrame->GetMenuSet(), IDR_MENU_CLOSED);
}

TEST_F(CShellTest, DeleteEntryAskNamesFolderContentsAndNoChangesNothing) {
    ASSERT_TRUE(Open(MakeDatabase("d.tov", TWO_FOLDERS)));
    std::int32_t nAlpha = IdOf("Alpha"), nNotiz = IdOf("Notiz");

    EXPECT_FALSE(m_pDoc->DeleteEntryAsk(nAlpha));
    EXPECT_EQ(m_platform.MessageTexts().back(),
              "Eintrag löschen:\n\nAktuellen Eintrag (Ordner) und alle darin enhaltenen Einträge löschen ?");
    EXPECT_EQ(m_platform.m_arrMessages.back().eButtons, EMsgButtons::YesNo);
    EXPECT_EQ(ChildNames(0), "Alpha,Beta");

    m_platform.QueueAnswer(EMsgResult::Yes);
    EXPECT_TRUE(m_pDoc->DeleteEntryAsk(nNotiz));
    EXPECT_EQ(m_platform.MessageTexts().back(), "Eintrag löschen:\n\nAktuellen eintrag wirklich löschen ?");
    EXPECT_EQ(ChildNames(nAlpha), "Unter");
}

TEST_F(CShellTest, ExportProposesTheKeywordAndAlwaysReports) {
    ASSERT_TRUE(Open(MakeDatabase("e.tov", TWO_FOLDERS)));
    std::string strFile = m_dir.File("beta.txt");
    m_platform.QueueFileDialog(strFile);
    m_pDoc->ExportStructureAsk(IdOf("Beta"));
    ASSERT_EQ(m_platform.m_arrDialogs.size(), 1u);
    EXPECT_EQ(m_platform.m_arrDialogs[0].strTitle, "Datenstruktur exportieren");
    EXPECT_EQ(m_platform.m_arrDialogs[0].strPresetName, "Beta");
    EXPECT_EQ(m_platform.m_arrDialogs[0].strDefExt, "txt");
    EXPECT_EQ(m_platform.LastMessage(), "Die Daten wurden exportiert.");
    EXPECT_EQ(m_platform.m_arrMessages.back().eIcon, EMsgIcon::Information);
    EXPECT_NE(ReadFile(strFile).find("+ Beta"), std::string::npos);

    // cancelled: no message
    m_platform.Clear();
    m_pDoc->ExportStructureAsk(0);
    EXPECT_EQ(m_platform.m_arrDialogs[0].strPresetName, "");
    EXPECT_TRUE(m_platform.m_arrMessages.empty());
}

TEST_F(CShellTest, ImportIntoAFolderRefreshesItsNodeAndSelectsTheImportedFolder) {
    ASSERT_TRUE(Open(MakeDatabase("i.tov", TWO_FOLDERS)));
    std::string strFile = m_dir.File("vorlage.txt");
    WriteFile(strFile, "+ Neu\r\n  + Tief\r\n");
    m_pDoc->SetWriteProtected(false);
    Tree()->SelectFolder(IdOf("Beta"));
    Pump();
    m_platform.QueueFileDialog(strFile);
    ASSERT_TRUE(m_pFrame->RouteCommand(ID_STRUCTURE_IMPORT));
    EXPECT_EQ(m_platform.m_arrDialogs.back().strTitle, "Datenstruktur importieren");
    Pump();
    EXPECT_EQ(ChildNames(IdOf("Beta")), "Neu");
    ASSERT_NE(Tree()->SelectedItem(), nullptr);
    EXPECT_EQ(Tree()->SelectedItem()->text(0).toStdString(), "Neu");
    EXPECT_EQ(TitleText(), "Beta \\ Neu");
}

TEST_F(CShellTest, ImportThatCannotBeDoneShowsWhyAndChangesNothing) {
    ASSERT_TRUE(Open(MakeDatabase("j.tov", TWO_FOLDERS)));
    std::string strFile = m_dir.File("vorlage.txt");
    WriteFile(strFile, "+ Neu\n  - 日本\n");  // UTF-8 that Windows-1252 cannot hold
    m_platform.QueueFileDialog(strFile);
    m_pDoc->ImportStructureAsk(IdOf("Beta"));
    EXPECT_EQ(m_platform.LastMessage(),
              "Die Vorlage enthält in Zeile 2 Zeichen, die nicht gespeichert werden können,\ndie Daten wurden nicht "
              "importiert !");
    EXPECT_EQ(m_platform.m_arrMessages.back().eIcon, EMsgIcon::Exclamation);
    EXPECT_EQ(ChildNames(IdOf("Beta")), "");
}

TEST_F(CShellTest, GoToEntryOfATopLevelEntryShowsTheTopLevelWithNothingSelected) {
    ASSERT_TRUE(Open(MakeDatabase("g.tov", TWO_FOLDERS)));
    ASSERT_NE(Tree()->SelectedItem(), nullptr);
    m_pDoc->GoToEntry(-1);
    EXPECT_NE(Tree()->SelectedItem(), nullptr);

    m_pDoc->GoToEntry(IdOf("Beta"));
    EXPECT_EQ(Tree()->SelectedItem(), nullptr);
    EXPECT_EQ(m_pFrame->GetDetailView()->GetCurrentFolder(), 0);
    EXPECT_EQ(m_pFrame->GetActivePaneKind(), PANE_DETAIL);

    m_pDoc->GoToEntry(IdOf("Notiz"));
    ASSERT_NE(Tree()->SelectedItem(), nullptr);
    EXPECT_EQ(Tree()->SelectedItem()->text(0).toStdString(), "Alpha");
    EXPECT_EQ(m_pFrame->GetDetailView()->GetCurrentFolder(), IdOf("Alpha"));
}

TEST_F(CShellTest, FolderTitleShowsThePathWithSpacedSeparatorsAndTheText) {
    ASSERT_TRUE(Open(MakeDatabase("t.tov", {{"+X & Co", {{"+Y", {{"+Z", {}}}}}}})));
    m_pDoc->ShowFolderTitle(IdOf("Z"));
    EXPECT_EQ(TitleText(), "X & Co \\ Y \\ Z");
    EXPECT_EQ(m_pFrame->GetTitleView()->GetSubTitleText().toStdString(), "Text von Z");
    m_pDoc->ShowFolderTitle(0);
    EXPECT_EQ(TitleText(), "Hauptordner");
    EXPECT_EQ(m_pFrame->GetTitleView()->GetSubTitleText().toStdString(), "");
    m_pDoc->ShowFolderTitle(-1);
    EXPECT_EQ(TitleText(), "");
}

TEST_F(CShellTest, WriteProtectCommandTogglesAndShowsTheCheckMark) {
    ASSERT_TRUE(Open(MakeDatabase("w.tov", TWO_FOLDERS)));
    EXPECT_TRUE(m_pFrame->QueryCommandState(ID_WRITE_PROTECT).bChecked);
    ASSERT_TRUE(m_pFrame->RouteCommand(ID_WRITE_PROTECT));
    EXPECT_FALSE(m_pDoc->IsWriteProtected());
    EXPECT_FALSE(m_pFrame->QueryCommandState(ID_WRITE_PROTECT).bChecked);
    m_pFrame->UpdateToolBarStates();
    for (QAction* pAction : m_pFrame->GetToolBar()->actions()) {
        if (pAction->data().toInt() == ID_WRITE_PROTECT) {
            EXPECT_FALSE(pAction->isChecked());
        }
    }
    ASSERT_TRUE(m_pFrame->RouteCommand(ID_WRITE_PROTECT));
    m_pFrame->UpdateToolBarStates();
    for (QAction* pAction : m_pFrame->GetToolBar()->actions()) {
        if (pAction->data().toInt() == ID_WRITE_PROTECT) {
            EXPECT_TRUE(pAction->isChecked());
        }
    }
}

TEST_F(CShellTest, DocumentCommandsOpenTheirDialogs) {
    ASSERT_TRUE(Open(MakeDatabase("c.tov", TWO_FOLDERS)));
    for (int nId : {ID_DATABASE_INFO, ID_SEARCH, ID_BACKUP_SETTINGS, ID_DATABASE_ENCRYPT, ID_ADMIN_PROTECT})
        EXPECT_TRUE(m_pFrame->RouteCommand(nId)) << nId;
    EXPECT_EQ(m_arrDialogs, (std::vector<std::string>{"info", "search", "backup", "encrypt", "setup"}));
    // no administrator password: the login is disabled and does not run
    EXPECT_FALSE(m_pFrame->RouteCommand(ID_ADMIN_LOGIN));
    EXPECT_EQ(m_arrDialogs.size(), 5u);
}

TEST_F(CShellTest, ReorganizeShowsTheWaitNoticeAroundTheWork) {
    ASSERT_TRUE(Open(MakeDatabase("r.tov", TWO_FOLDERS)));
    struct CNotice : IWaitNotice {
        std::vector<std::string>* pLog;
        void Show(const std::string& str) override { pLog->push_back("show " + Cp1252ToUtf8(str)); }
        void Hide() override { pLog->push_back("hide"); }
    };
    std::vector<std::string> arrLog;
    GetDocDialogs().fnWaitNotice = [&arrLog] {
        auto p = std::make_unique<CNotice>();
        p->pLog = &arrLog;
        return std::unique_ptr<IWaitNotice>(std::move(p));
    };
    // declined: no notice
    ASSERT_TRUE(m_pFrame->RouteCommand(ID_DATABASE_REORGANIZE));
    EXPECT_TRUE(arrLog.empty());
    m_platform.QueueAnswer(EMsgResult::Yes);
    ASSERT_TRUE(m_pFrame->RouteCommand(ID_DATABASE_REORGANIZE));
    EXPECT_EQ(arrLog, (std::vector<std::string>{"show Die Datenbank wird reorganisiert.", "hide"}));
    EXPECT_NE(m_platform.LastMessage().find("kb reduziert"), std::string::npos);
    EXPECT_TRUE(m_pDoc->IsDatabaseOpen());
}

TEST_F(CShellTest, SharedFontsAreArialWithSixteenPixelCells) {
    const QFont* pNormal = &m_pDoc->GetFont(DOC_FONT_NORMAL);
    const QFont* pBold = &m_pDoc->GetFont(DOC_FONT_BOLD);
    EXPECT_EQ(pNormal->family(), "Arial");
    // Arial's cell of 16 pixels: 14-pixel letters, smaller only where a
    // substitute face has very tall lines
    EXPECT_LE(pNormal->pixelSize(), 14);
    EXPECT_GE(pNormal->pixelSize(), 10);
    EXPECT_EQ(pBold->pixelSize(), pNormal->pixelSize());
    EXPECT_FALSE(pNormal->bold());
    EXPECT_TRUE(pBold->bold());
    // so the title strip's second line, drawn from y = 16, fits its 35 pixels
    EXPECT_LE(16 + QFontMetrics(*pNormal).height(), m_pFrame->GetTitleView()->height());
}

TEST_F(CShellTest, MovingAFolderIntoItsOwnParentPutsItLastWithoutAGap) {
    ASSERT_TRUE(Open(MakeDatabase("m.tov", {{"+A", {}}, {"+B", {}}, {"+C", {}}})));
    ASSERT_EQ(m_pDoc->MoveToFolder(IdOf("A"), 0, nullptr), EWriteResult::Saved);
    EXPECT_EQ(ChildNames(0), "B,C,A");
    ASSERT_EQ(m_pDoc->MoveToFolder(IdOf("B"), IdOf("A"), nullptr), EWriteResult::Saved);
    EXPECT_EQ(ChildNames(0), "C,A");
    EXPECT_EQ(ChildNames(IdOf("A")), "B");
}
