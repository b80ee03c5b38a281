// The example knowledge base for a first start.

#include <QTemporaryDir>
#include <cctype>
#include <cstdlib>
#include <filesystem>

#include "ShellFixture.h"
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
