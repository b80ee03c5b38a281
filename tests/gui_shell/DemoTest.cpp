// The example knowledge base for a first start.

#include <unistd.h>

#include <QTemporaryDir>
#include <cctype>
#include <cstdlib>
#include <filesystem>

#include "ShellFixture.h"
#include "app/CMainFrame.h"
#include "app/COrvantisApp.h"
#include "app/COrvantisDoc.h"
#include "app/CTitleView.h"
#include "app/DemoDatabase.h"
#include "db/CDB.h"
#include "platform/Cp1252.h"
#include "protect/KnowledgeBase.h"
#include "tree/CKnowHow.h"

namespace {
std::string ShippedDemoFolder() {
    // tests run from the build folder below the sources
    for (std::filesystem::path p = std::filesystem::current_path(); !p.empty() && p != p.root_path();
         p = p.parent_path())
        if (std::filesystem::exists(p / "resources/demo/Beispiel.txt")) return (p / "resources/demo").string();
    return "resources/demo";
}
}  // namespace

TEST(CDemoSourceTest, ParsesFoldersEntriesTextsAndLinks) {
    std::vector<SDemoNode> arr;
    std::string strError;
    ASSERT_TRUE(
        ParseDemoSource("# Kommentar\n"
                        "+ Oben\n"
                        "| Ordnertext\n"
                        "  - Eintrag\n"
                        "  | erste Zeile\n"
                        "  |\n"
                        "  | dritte Zeile\r\n"
                        "  @ https://example.org\n"
                        "  + Unter\n"
                        "    - Tief\n"
                        "  - Zweiter\n"
                        "\n"
                        "+ Größe\n",
                        arr, strError))
        << strError;
    ASSERT_EQ(arr.size(), 2u);
    EXPECT_TRUE(arr[0].bFolder);
    EXPECT_EQ(arr[0].strText, "Ordnertext");
    ASSERT_EQ(arr[0].arrChildren.size(), 3u);
    const SDemoNode& entry = arr[0].arrChildren[0];
    EXPECT_FALSE(entry.bFolder);
    EXPECT_EQ(entry.strText, "erste Zeile\r\n\r\ndritte Zeile");
    EXPECT_EQ(entry.strLink, "https://example.org");
    EXPECT_EQ(arr[0].arrChildren[1].arrChildren[0].strName, "Tief");
    EXPECT_EQ(arr[0].arrChildren[2].strName, "Zweiter");
    EXPECT_EQ(arr[1].strName, Ansi("Größe"));
}

TEST(CDemoSourceTest, RejectsMalformedLines) {
    const char* const bad[] = {
        "- Eintrag oben\n",             // the top level holds folders only
        "+ A\n    + zu tief\n",         // skips a level
        "+ A\n - ungerade\n",           // odd indentation
        "| Text ohne Eintrag\n",        // text before any item
        "+ A\n  - E\n    - unter E\n",  // an entry holds nothing
        "+ A\n* Stern\n",               // unknown marker
        "# nur Kommentar\n",            // nothing at all
    };
    for (const char* psz : bad) {
        std::vector<SDemoNode> arr;
        std::string strError;
        EXPECT_FALSE(ParseDemoSource(psz, arr, strError)) << psz;
        EXPECT_FALSE(strError.empty()) << psz;
    }
}

class CDemoTest : public CShellTest {};

TEST_F(CDemoTest, TheShippedExampleBuildsAndOpens) {
    std::string strTarget = m_dir.File("sub/Beispiel.tov");
    std::string strError;
    ASSERT_TRUE(BuildDemoDatabase(ShippedDemoFolder() + "/Beispiel.txt", strTarget, strError)) << strError;
    EXPECT_FALSE(GetDatabase().IsOpen());
    EXPECT_FALSE(std::filesystem::exists(strTarget + ".part"));
    // a second build never overwrites
    EXPECT_FALSE(BuildDemoDatabase(ShippedDemoFolder() + "/Beispiel.txt", strTarget, strError));

    ASSERT_TRUE(Open(strTarget));
    EXPECT_GE(m_pDoc->CountChildren(0, true), 3);
    CKnowHowArray arr;
    m_pDoc->GetService()->GetAllItems(arr);
    int nLinks = 0, nNested = 0;
    size_t nLongest = 0;
    for (const CKnowHowItem& item : arr) {
        if (item.Typ == 1 && !item.Link.empty()) ++nLinks;
        if (item.IsDir && item.MasterID != 0) ++nNested;
        nLongest = std::max(nLongest, item.Text.size());
        if (item.MasterID == 0) {
            EXPECT_EQ(item.IsDir, 1) << item.Name;
        }
        // the view wraps the text itself: a sentence is never broken by a
        // line break of the source (a line that ends without a stop or colon
        // is followed by one that goes on in lower case)
        const std::string strText = Cp1252ToUtf8(item.Text);
        for (size_t nBreak = strText.find("\r\n"); nBreak != std::string::npos;
             nBreak = strText.find("\r\n", nBreak + 2)) {
            if (nBreak == 0 || nBreak + 2 >= strText.size()) continue;
            const char chEnd = strText[nBreak - 1];
            const char chNext = strText[nBreak + 2];
            const bool bGoesOn = std::islower(static_cast<unsigned char>(chNext)) || chNext == '"';
            EXPECT_FALSE(std::string(".:!?").find(chEnd) == std::string::npos && chEnd != '\r' && bGoesOn)
                << Cp1252ToUtf8(item.Name) << ": " << strText.substr(nBreak > 30 ? nBreak - 30 : 0, 60);
        }
    }
    EXPECT_GE(nLinks, 2);
    EXPECT_GE(nNested, 2);
    EXPECT_GT(nLongest, 800u);
    EXPECT_EQ(ChildNames(0).find('@'), std::string::npos);
}

TEST_F(CDemoTest, PrepareDemoOnlyForANewcomer) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    qputenv("XDG_DATA_HOME", home.path().toUtf8());
    std::string strDemo = DemoDatabasePath();
    EXPECT_EQ(strDemo, home.path().toStdString() + "/Orvantis/Beispiel.tov");

    QStringList arrArgs{"--prepare-demo", QString::fromStdString(ShippedDemoFolder())};
    testing::internal::CaptureStdout();
    EXPECT_EQ(RunDemoOption(arrArgs), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), strDemo + "\n");
    EXPECT_TRUE(std::filesystem::exists(strDemo));

    // once a database was recorded (even emptied by "Schließen") nothing is printed
    GetPlatform().WriteProfileString("Files", "LastDB", "");
    testing::internal::CaptureStdout();
    EXPECT_EQ(RunDemoOption(arrArgs), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");

    EXPECT_EQ(RunDemoOption({"--prepare-demo"}), 2);
    qunsetenv("XDG_DATA_HOME");
}

// The very first start of an installed program: <prefix>/bin/orvantis with
// the example in <prefix>/share/orvantis/, a home nobody has used yet.
class CFirstStartTest : public CShellTest {
protected:
    void SetUp() override {
        CShellTest::SetUp();
        std::filesystem::create_directories(m_dir.File("usr/bin"));
        std::filesystem::create_directories(m_dir.File("usr/share/orvantis"));
        std::filesystem::copy_file(ShippedDemoFolder() + "/Beispiel.txt",
                                   m_dir.File("usr/share/orvantis/Beispiel.txt"));
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString(m_dir.File("home/.local/share")));
    }
    void TearDown() override {
        qunsetenv("XDG_DATA_HOME");
        CShellTest::TearDown();
    }
    std::unique_ptr<COrvantisApp> Start(const QStringList& arrArgs = {}) {
        auto pApp = std::make_unique<COrvantisApp>(m_dir.File("usr/bin/orvantis"), arrArgs);
        EXPECT_TRUE(pApp->InitInstance(false));
        Pump();
        return pApp;
    }
    // Every file below usr/, with its size: an installation is only read.
    std::string Installed() const {
        std::string str;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(m_dir.File("usr")))
            str +=
                entry.path().string() + (entry.is_regular_file() ? " " + std::to_string(entry.file_size()) : "") + "\n";
        return str;
    }
    std::string Example() const { return m_dir.File("home/.local/share/Orvantis/Beispiel.tov"); }
};

TEST_F(CFirstStartTest, OpensTheShippedExampleOnceAndNeverWritesWhereTheProgramIs) {
    const std::string strInstalled = Installed();
    auto pApp = Start();
    COrvantisDoc* pDoc = pApp->GetDocument();
    ASSERT_TRUE(pDoc->IsDatabaseOpen());
    EXPECT_EQ(pDoc->GetPathName(), Example());
    EXPECT_EQ(GetPlatform().GetProfileString("Files", "LastDB", ""), Example());
    EXPECT_GE(pDoc->CountChildren(0, true), 3);
    EXPECT_FALSE(pApp->GetFrame()->GetTitleView()->IsShowingHint());
    EXPECT_EQ(Installed(), strInstalled);
    EXPECT_TRUE(m_platform.MessageTexts().empty());

    // what the newcomer adds stays: the next start opens the same file
    CKnowHowArray arr{CKnowHowItem()};
    arr[0].MasterID = 0;
    arr[0].SetPosNr(pDoc->CountChildren(0, true) + 1);
    arr[0].SetIsDir(1);
    arr[0].SetName("Meins");
    ASSERT_EQ(pDoc->GetService()->SaveItems(arr), EWriteResult::Saved);
    pApp.reset();
    pApp = Start();
    ASSERT_TRUE(pApp->GetDocument()->IsDatabaseOpen());
    CKnowHowArray arrTop;
    pApp->GetDocument()->GetChildren(arrTop, 0, false);
    EXPECT_EQ(arrTop.back().Name, "Meins");

    // closed by command: the next start opens nothing and says what to do
    pApp->GetDocument()->CloseDatabaseFile();
    pApp.reset();
    pApp = Start();
    EXPECT_FALSE(pApp->GetDocument()->IsDatabaseOpen());
    EXPECT_TRUE(pApp->GetFrame()->GetTitleView()->IsShowingHint());
    EXPECT_EQ(Installed(), strInstalled);
}

TEST_F(CFirstStartTest, AFileOnTheCommandLineWinsOverTheExample) {
    std::string strOwn = MakeDatabase("eigene.tov", {{"+Eigenes", {}}});
    auto pApp = Start({QString::fromStdString(strOwn)});
    EXPECT_EQ(pApp->GetDocument()->GetPathName(), strOwn);
    EXPECT_FALSE(std::filesystem::exists(Example()));
}

TEST_F(CFirstStartTest, WithoutADatabaseTheTitleStripSaysWhatToDo) {
    // a program with no example beside it or in its share folder
    std::filesystem::remove(m_dir.File("usr/share/orvantis/Beispiel.txt"));
    auto pApp = Start();
    EXPECT_FALSE(pApp->GetDocument()->IsDatabaseOpen());
    EXPECT_FALSE(std::filesystem::exists(Example()));
    CTitleView* pTitle = pApp->GetFrame()->GetTitleView();
    ASSERT_TRUE(pTitle->IsShowingHint());
    EXPECT_EQ(pTitle->accessibleName().toStdString(), "Keine Wissensdatenbank geöffnet");
    EXPECT_NE(pTitle->accessibleDescription().indexOf("Datei > Neu (Strg+N)"), -1);
    EXPECT_NE(pTitle->accessibleDescription().indexOf(QString::fromUtf8("Datei > Öffnen (Strg+O)")), -1);
    // the hint is painted: the strip shows text where it would be blank
    pTitle->resize(600, 35);
    QImage hint = pTitle->grab().toImage();

    std::string strOwn = MakeDatabase("eigene.tov", {{"+Eigenes", {}}});
    ASSERT_TRUE(pApp->GetDocument()->OpenDocumentFile(strOwn));
    Pump();
    pTitle->SetTitle("", "");
    EXPECT_FALSE(pTitle->IsShowingHint());
    EXPECT_EQ(pTitle->accessibleName().toStdString(), "");
    EXPECT_NE(pTitle->grab().toImage(), hint);

    // closed: the hint is back, painted and named
    pApp->GetDocument()->CloseDatabaseFile();
    Pump();
    EXPECT_TRUE(pTitle->IsShowingHint());
    EXPECT_EQ(pTitle->accessibleName().toStdString(), "Keine Wissensdatenbank geöffnet");
    EXPECT_EQ(pTitle->grab().toImage(), hint);
}

// The installed program itself, started as from the menu with a clean home:
// no XDG folders, no settings. It makes and opens the example and records it.
TEST(CFirstStartProcessTest, TheInstalledProgramOpensTheExampleInAFreshHome) {
    CTempDir dir;
    namespace fs = std::filesystem;
    fs::create_directories(dir.File("usr/bin"));
    fs::create_directories(dir.File("usr/share/orvantis"));
    fs::create_directories(dir.File("home"));
    fs::copy_file(ORVANTIS_GUI_PATH, dir.File("usr/bin/orvantis"));
    fs::copy_file(ShippedDemoFolder() + "/Beispiel.txt", dir.File("usr/share/orvantis/Beispiel.txt"));
    const std::string strHome = dir.File("home");
    const std::string strSettings = strHome + "/.config/" ORVANTIS_ORGANIZATION "/Orvantis.ini";
    const std::string strExample = strHome + "/.local/share/Orvantis/Beispiel.tov";
    CChildProcess program({"/usr/bin/env", "-i", "HOME=" + strHome, "PATH=/usr/bin:/bin", "QT_QPA_PLATFORM=offscreen",
                           "LANG=C.UTF-8", dir.File("usr/bin/orvantis")});
    // the settings are written from the event loop once the example is open
    bool bRecorded = false;
    for (int i = 0; i < 300 && !bRecorded; ++i) {
        bRecorded = fs::exists(strSettings) && ReadFile(strSettings).find("LastDB=" + strExample) != std::string::npos;
        if (!bRecorded) usleep(100000);
    }
    program.Kill();
    EXPECT_TRUE(bRecorded) << (fs::exists(strSettings) ? ReadFile(strSettings) : "no settings file");
    ASSERT_TRUE(fs::exists(strExample));
    CRawRows rows = RawQuery(strExample, "SELECT COUNT(*) FROM KnowHow WHERE MasterID=0");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_GE(std::stoi(rows[0][0]), 3);
    // the installation stays as it was
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.File("usr/share/orvantis")), fs::directory_iterator()), 1);
}
