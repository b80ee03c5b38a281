// What a screen reader finds in the window: walked through the QAccessible
// interfaces of the real widgets, as an assistive technology walks them.
#include <QAccessible>
#include <QToolBar>
#include <QToolButton>

#include "ViewFixture.h"
#include "app/CTitleView.h"

namespace {
class CAccessibleTest : public CViewTest {
protected:
    void SetUp() override {
        CViewTest::SetUp();
        ASSERT_TRUE(Open(MakeDatabase({{"+Projekte", {{"-Alpha"}, {"-Beta"}, {"+Unterordner", {}}}}})));
        ShowFolder(IdOf("Projekte"));
    }
};
}  // namespace

TEST_F(CAccessibleTest, EveryRowOfTheShownFolderIsExposedWithKeywordTextAndKind) {
    ClickRow(1, 900);
    QAccessibleInterface* pList = QAccessible::queryAccessibleInterface(View());
    ASSERT_NE(pList, nullptr);
    EXPECT_EQ(pList->role(), QAccessible::List);
    std::vector<std::string> arrRows, arrEditors;
    int nSelected = -1;
    for (int i = 0; i < pList->childCount(); ++i) {
        QAccessibleInterface* p = pList->child(i);
        ASSERT_NE(p, nullptr) << i;
        EXPECT_EQ(pList->indexOfChild(p), i);
        if (p->role() == QAccessible::ListItem) {
            EXPECT_EQ(p->parent(), pList);
            arrRows.push_back((p->text(QAccessible::Name) + "|" + p->text(QAccessible::Value) + "|" +
                               p->text(QAccessible::Description))
                                  .toStdString());
            if (p->state().selected) nSelected = i;
        } else {
            arrEditors.push_back(p->text(QAccessible::Name).toStdString());
        }
    }
    EXPECT_EQ(arrRows, (std::vector<std::string>{"Alpha|Text von Alpha|Eintrag", "Beta|Text von Beta|Eintrag",
                                                 "Unterordner|Text von Unterordner|Ordner", "Neuer Eintrag||Eintrag"}));
    EXPECT_EQ(nSelected, 1);
    // the editor open on the current row, by its name
    EXPECT_EQ(arrEditors, (std::vector<std::string>{"Text"}));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(KeywordEdit())->text(QAccessible::Name),
              QStringLiteral("Stichwort"));
    // the folder's title strip says where the rows are
    auto* pTitle = m_pFrame->findChild<CTitleView*>();
    ASSERT_NE(pTitle, nullptr);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(pTitle)->text(QAccessible::Name), QStringLiteral("Projekte"));
}

TEST_F(CAccessibleTest, EveryToolbarButtonHasAName) {
    auto* pToolBar = m_pFrame->findChild<QToolBar*>(QStringLiteral("Toolbar"));
    ASSERT_NE(pToolBar, nullptr);
    int nButtons = 0;
    for (QToolButton* pButton : pToolBar->findChildren<QToolButton*>()) {
        if (!pButton->defaultAction() || pButton->defaultAction()->isSeparator()) continue;
        ++nButtons;
        EXPECT_FALSE(QAccessible::queryAccessibleInterface(pButton)->text(QAccessible::Name).isEmpty())
            << pButton->defaultAction()->data().toInt();
    }
    EXPECT_GT(nButtons, 5);
}
