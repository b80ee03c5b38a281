// The folder tree: lazy loading, re-reading on collapse, selecting deep
// folders, deleting, dragging folders and the drop-target test.

#include <QApplication>
#include <QCursor>
#include <QScrollBar>
#include <QTest>
#include <QWindow>
#include <functional>

#include "ShellFixture.h"
#include "app/CLeftView.h"
#include "edit/CDetailView.h"
#include "platform/Cp1252.h"
#include "tree/CKnowHow.h"
#include "ui/CommandIds.h"

namespace {
// A: B (C (D)), E; F; G (H)
const std::vector<SNode> TREE = {
    {"+A", {{"+B", {{"+C", {{"+D", {}}}}}}, {"-Notiz", {}}, {"+E", {}}}},
    {"+F", {}},
    {"+G", {{"+H", {}}}},
};

std::vector<std::string> ChildTexts(QTreeWidgetItem* pItem) {
    std::vector<std::string> arr;
    for (int i = 0; i < pItem->childCount(); ++i) arr.push_back(pItem->child(i)->text(0).toStdString());
    return arr;
}

std::vector<std::string> TopLevelTexts(QTreeWidget* pTree) {
    std::vector<std::string> arr;
    for (int i = 0; i < pTree->topLevelItemCount(); ++i) arr.push_back(pTree->topLevelItem(i)->text(0).toStdString());
    return arr;
}

class CTreeTest : public CShellTest {
protected:
    void SetUp() override {
        CShellTest::SetUp();
        ASSERT_TRUE(Open(MakeDatabase("baum.tov", TREE)));
        m_pDoc->SetWriteProtected(false);
        QApplication::setActiveWindow(m_pFrame.get());
    }
    QPoint Center(QTreeWidgetItem* pItem) const { return Tree()->visualItemRect(pItem).center(); }
    // A drag with the left button from one item to a point in the tree.
    void Drag(QTreeWidgetItem* pFrom, const QPoint& ptTo) {
        QWidget* pViewport = Tree()->viewport();
        QPoint ptFrom = Center(pFrom);
        QTest::mousePress(pViewport, Qt::LeftButton, {}, ptFrom);
        QTest::mouseMove(pViewport, ptFrom + QPoint(0, QApplication::startDragDistance() + 2));
        ASSERT_TRUE(Tree()->IsDragging());
        QTest::mouseMove(pViewport, ptTo);
        QTest::mouseRelease(pViewport, Qt::LeftButton, {}, ptTo);
        Pump();
    }
};
}  // namespace

TEST_F(CTreeTest, OnlyFoldersWithSubFoldersCarryThePlaceholder) {
    EXPECT_EQ(TopLevelTexts(Tree()), (std::vector<std::string>{"A", "F", "G"}));
    QTreeWidgetItem* pA = ItemOf("A");
    ASSERT_NE(pA, nullptr);
    ASSERT_EQ(pA->childCount(), 1);
    EXPECT_TRUE(CLeftView::IsPlaceholder(pA->child(0)));
    EXPECT_EQ(CTreeViewEx::ItemId(pA->child(0)), -1);
    EXPECT_EQ(ItemOf("F")->childCount(), 0);
    EXPECT_EQ(CTreeViewEx::ItemImage(pA), 0);

    pA->setExpanded(true);
    // entries are not shown, only folders, in position order
    EXPECT_EQ(ChildTexts(pA), (std::vector<std::string>{"B", "E"}));
    EXPECT_EQ(CTreeViewEx::ItemImage(pA), 1);
    EXPECT_TRUE(CLeftView::IsPlaceholder(ItemOf("B")->child(0)));
    EXPECT_EQ(ItemOf("E")->childCount(), 0);
}

TEST_F(CTreeTest, CollapsingAndOpeningAgainReadsTheDatabaseAgain) {
    QTreeWidgetItem* pG = ItemOf("G");
    pG->setExpanded(true);
    ASSERT_EQ(ChildTexts(pG), (std::vector<std::string>{"H"}));
    // another user adds a sub-folder meanwhile
    CKnowHow other;
    CKnowHowItem item;
    item.MasterID = IdOf("G");
    item.SetPosNr(2);
    item.SetIsDir(1);
    item.SetName("Neu");
    CKnowHowArray arr{item};
    ASSERT_EQ(other.SaveItems(arr), EWriteResult::Saved);

    pG->setExpanded(false);
    EXPECT_EQ(CTreeViewEx::ItemImage(pG), 0);
    ASSERT_EQ(pG->childCount(), 1);
    EXPECT_TRUE(CLeftView::IsPlaceholder(pG->child(0)));
    pG->setExpanded(true);
    EXPECT_EQ(ChildTexts(pG), (std::vector<std::string>{"H", "Neu"}));
}

TEST_F(CTreeTest, APlaceholderWhoseSubFoldersVanishedIsNotShown) {
    CKnowHow other;
    ASSERT_EQ(other.DeleteItem(IdOf("H")), EWriteResult::Saved);
    QTreeWidgetItem* pG = ItemOf("G");
    pG->setExpanded(true);
    EXPECT_EQ(pG->childCount(), 0);
}

TEST_F(CTreeTest, SelectingADeepFolderOpensItsAncestorsAndShowsIt) {
    SendPaneMessage(Tree(), WM_SHOW_FOLDER, IdOf("D"));
    Pump();
    QTreeWidgetItem* pD = Tree()->SelectedItem();
    ASSERT_NE(pD, nullptr);
    EXPECT_EQ(pD->text(0).toStdString(), "D");
    EXPECT_TRUE(pD->isExpanded());
    for (const char* psz : {"A", "B", "C"}) EXPECT_TRUE(ItemOf(psz)->isExpanded()) << psz;
    EXPECT_EQ(m_pFrame->GetDetailView()->GetCurrentFolder(), IdOf("D"));
    EXPECT_EQ(TitleText(), "A \\ B \\ C \\ D");
    EXPECT_EQ(Tree()->GetCurrentFolder(), IdOf("D"));

    // the first top-level folder itself
    SendPaneMessage(Tree(), WM_SHOW_FOLDER, IdOf("A"));
    Pump();
    ASSERT_NE(Tree()->SelectedItem(), nullptr);
    EXPECT_EQ(Tree()->SelectedItem()->text(0).toStdString(), "A");
    EXPECT_EQ(m_pFrame->GetDetailView()->GetCurrentFolder(), IdOf("A"));
}

TEST_F(CTreeTest, AnEntryOrUnknownIdEndsOnTheFirstTopLevelFolder) {
    SendPaneMessage(Tree(), WM_SHOW_FOLDER, IdOf("H"));
    Pump();
    SendPaneMessage(Tree(), WM_SHOW_FOLDER, 9999);
    Pump();
    ASSERT_NE(Tree()->SelectedItem(), nullptr);
    EXPECT_EQ(Tree()->SelectedItem()->text(0).toStdString(), "A");
    EXPECT_EQ(m_pFrame->GetDetailView()->GetCurrentFolder(), IdOf("A"));
}

TEST_F(CTreeTest, ShowingZeroRebuildsWithNothingSelected) {
    ItemOf("A")->setExpanded(true);
    SendPaneMessage(Tree(), WM_SHOW_FOLDER, 0);
    Pump();
    EXPECT_EQ(Tree()->SelectedItem(), nullptr);
    EXPECT_EQ(TopLevelTexts(Tree()), (std::vector<std::string>{"A", "F", "G"}));
    EXPECT_FALSE(ItemOf("A")->isExpanded());
}

TEST_F(CTreeTest, ClickingEmptySpaceEndsOnTheFirstFolder) {
    SendPaneMessage(Tree(), WM_SHOW_FOLDER, IdOf("G"));
    Pump();
    QPoint ptEmpty(10, Tree()->viewport()->height() - 5);
    ASSERT_EQ(Tree()->itemAt(ptEmpty), nullptr);
    QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, {}, ptEmpty);
    EXPECT_EQ(Tree()->SelectedItem(), nullptr);
    Pump();
    ASSERT_NE(Tree()->SelectedItem(), nullptr);
    EXPECT_EQ(Tree()->SelectedItem()->text(0).toStdString(), "A");
}

TEST_F(CTreeTest, EnterTogglesTheFolderUnlessAltIsHeld) {
    SendPaneMessage(Tree(), WM_SHOW_FOLDER, IdOf("G"));
    Pump();
    QTreeWidgetItem* pG = ItemOf("G");
    // selecting a folder this way opens it; start from a closed one
    pG->setExpanded(false);
    Tree()->setFocus();
    QTest::keyClick(Tree(), Qt::Key_Return);
    EXPECT_TRUE(pG->isExpanded());
    EXPECT_EQ(ChildTexts(pG), (std::vector<std::string>{"H"}));
    QTest::keyClick(Tree(), Qt::Key_Return, Qt::AltModifier);
    EXPECT_TRUE(pG->isExpanded());
    QTest::keyClick(Tree(), Qt::Key_Enter);
    EXPECT_FALSE(pG->isExpanded());
}

TEST_F(CTreeTest, DeletingTopLevelFoldersEndsOnTheFirstRemainingOrTheTopLevel) {
    m_pFrame->ActivatePane(PANE_TREE);
    // F is empty; A and G hold entries, so the service asks once more
    for (auto [psz, nYes] : {std::pair{"F", 1}, std::pair{"A", 2}, std::pair{"G", 2}}) {
        SendPaneMessage(Tree(), WM_SHOW_FOLDER, IdOf(psz));
        Pump();
        for (int i = 0; i < nYes; ++i) m_platform.QueueAnswer(EMsgResult::Yes);
        ASSERT_TRUE(m_pFrame->RouteCommand(ID_ENTRY_DELETE)) << psz;
        Pump();
        EXPECT_EQ(IdOf(psz), -1) << psz;
    }
    EXPECT_EQ(Tree()->topLevelItemCount(), 0);
    EXPECT_EQ(m_pFrame->GetDetailView()->GetCurrentFolder(), 0);
    EXPECT_EQ(ChildNames(0), "");
}

TEST_F(CTreeTest, DeletingATopLevelFolderSelectsTheFirstRemaining) {
    m_pFrame->ActivatePane(PANE_TREE);
    SendPaneMessage(Tree(), WM_SHOW_FOLDER, IdOf("F"));
    Pump();
    m_platform.QueueAnswer(EMsgResult::Yes);
    ASSERT_TRUE(m_pFrame->RouteCommand(ID_ENTRY_DELETE));
    Pump();
    EXPECT_EQ(TopLevelTexts(Tree()), (std::vector<std::string>{"A", "G"}));
    ASSERT_NE(Tree()->SelectedItem(), nullptr);
    EXPECT_EQ(Tree()->SelectedItem()->text(0).toStdString(), "A");
    EXPECT_EQ(m_pFrame->GetDetailView()->GetCurrentFolder(), IdOf("A"));
    EXPECT_EQ(ChildNames(0), "A,G");

    // a declined question leaves everything
    SendPaneMessage(Tree(), WM_SHOW_FOLDER, IdOf("H"));
    Pump();
    ASSERT_TRUE(m_pFrame->RouteCommand(ID_ENTRY_DELETE));
    EXPECT_EQ(Tree()->SelectedItem()->text(0).toStdString(), "H");
    EXPECT_EQ(ChildNames(IdOf("G")), "H");
}

TEST_F(CTreeTest, DeletingASubFolderSelectsItsParent) {
    m_pFrame->ActivatePane(PANE_TREE);
    SendPaneMessage(Tree(), WM_SHOW_FOLDER, IdOf("H"));
    Pump();
    m_platform.QueueAnswer(EMsgResult::Yes);
    ASSERT_TRUE(m_pFrame->RouteCommand(ID_ENTRY_DELETE));
    Pump();
    ASSERT_NE(Tree()->SelectedItem(), nullptr);
    EXPECT_EQ(Tree()->SelectedItem()->text(0).toStdString(), "G");
    EXPECT_EQ(ItemOf("G")->childCount(), 0);
}

TEST_F(CTreeTest, DropsOnTheFolderItselfOrItsSubtreeChangeNothing) {
    SendPaneMessage(Tree(), WM_SHOW_FOLDER, IdOf("D"));
    Pump();
    std::string strBefore = ChildNames(0) + "/" + ChildNames(IdOf("A")) + "/" + ChildNames(IdOf("B"));
    for (const char* pszTarget : {"A", "B", "C", "D"}) {
        QTreeWidgetItem* pA = ItemOf("A");
        QTreeWidgetItem* pTarget = ItemOf(pszTarget);
        ASSERT_NE(pTarget, nullptr) << pszTarget;
        Drag(pA, Center(pTarget));
        EXPECT_FALSE(Tree()->IsDragging());
        EXPECT_EQ(ChildNames(0) + "/" + ChildNames(IdOf("A")) + "/" + ChildNames(IdOf("B")), strBefore) << pszTarget;
        EXPECT_TRUE(m_platform.m_arrMessages.empty());
        EXPECT_EQ(Tree()->DropHiliteItem(), nullptr);
    }
}

TEST_F(CTreeTest, DroppingOnAnotherFolderAppendsItThere) {
    ItemOf("A")->setExpanded(true);
    Drag(ItemOf("B"), Center(ItemOf("F")));
    EXPECT_EQ(ChildNames(IdOf("A")), "Notiz,E");
    EXPECT_EQ(ChildNames(IdOf("F")), "B");
    // the folder dragged is the one shown: the title strip names its new place,
    // also when it comes from the top level (which is built anew quietly)
    EXPECT_EQ(m_pFrame->GetDetailView()->GetCurrentFolder(), IdOf("B"));
    EXPECT_EQ(TitleText(), "F \\ B");
    // the moved folder is selected at its new place
    ASSERT_NE(Tree()->SelectedItem(), nullptr);
    EXPECT_EQ(Tree()->SelectedItem()->text(0).toStdString(), "B");
    EXPECT_EQ(Tree()->SelectedItem()->parent()->text(0).toStdString(), "F");
    EXPECT_EQ(ChildTexts(ItemOf("A")), (std::vector<std::string>{"E"}));
    Drag(ItemOf("G"), Center(ItemOf("F")));
    EXPECT_EQ(ChildNames(IdOf("F")), "B,G");
    EXPECT_EQ(m_pFrame->GetDetailView()->GetCurrentFolder(), IdOf("G"));
    EXPECT_EQ(TitleText(), "F \\ G");
}

TEST_F(CTreeTest, DroppingOnEmptySpaceMovesToTheEndOfTheTopLevel) {
    ItemOf("A")->setExpanded(true);
    QPoint ptEmpty(10, Tree()->viewport()->height() - 5);
    ASSERT_EQ(Tree()->itemAt(ptEmpty), nullptr);
    Drag(ItemOf("E"), ptEmpty);
    EXPECT_EQ(ChildNames(0), "A,F,G,E");
    EXPECT_EQ(ChildNames(IdOf("A")), "B,Notiz");
    EXPECT_EQ(TopLevelTexts(Tree()), (std::vector<std::string>{"A", "F", "G", "E"}));
}

TEST_F(CTreeTest, DroppingOnItsOwnParentMovesItToTheEndOfTheList) {
    ItemOf("A")->setExpanded(true);
    Drag(ItemOf("B"), Center(ItemOf("A")));
    EXPECT_EQ(ChildNames(IdOf("A")), "Notiz,E,B");
    EXPECT_EQ(ChildTexts(ItemOf("A")), (std::vector<std::string>{"E", "B"}));
    // top level onto empty space: the end of the top level
    Drag(ItemOf("A"), QPoint(10, Tree()->viewport()->height() - 5));
    EXPECT_EQ(ChildNames(0), "F,G,A");
}

TEST_F(CTreeTest, ADragWithTheRealMouseEndsWhereTheButtonIsReleased) {
    // press, moves and release reach the window as the window system sends
    // them, so the drag's mouse grab decides which widget gets them
    ItemOf("A")->setExpanded(true);
    QWindow* pWindow = m_pFrame->windowHandle();
    ASSERT_NE(pWindow, nullptr);
    QWidget* pViewport = Tree()->viewport();
    auto inWindow = [&](const QPoint& pt) { return pViewport->mapTo(m_pFrame.get(), pt); };
    const QPoint ptFrom = Center(ItemOf("B"));
    const QPoint ptF = Center(ItemOf("F"));
    QTest::mousePress(pWindow, Qt::LeftButton, {}, inWindow(ptFrom));
    QTest::mouseMove(pWindow, inWindow(ptFrom + QPoint(0, QApplication::startDragDistance() + 2)));
    ASSERT_TRUE(Tree()->IsDragging());
    QTest::mouseMove(pWindow, inWindow(ptF));
    EXPECT_EQ(Tree()->DropHiliteItem(), ItemOf("F"));
    QTest::mouseRelease(pWindow, Qt::LeftButton, {}, inWindow(ptF));
    Pump();
    EXPECT_FALSE(Tree()->IsDragging());
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    EXPECT_EQ(ChildNames(IdOf("F")), "B");
    EXPECT_EQ(ChildNames(IdOf("A")), "Notiz,E");
}

TEST_F(CTreeTest, ReleasingOutsideTheTreeMovesNothing) {
    ItemOf("A")->setExpanded(true);
    Drag(ItemOf("B"), QPoint(-30, 10));
    EXPECT_FALSE(Tree()->IsDragging());
    EXPECT_EQ(ChildNames(0), "A,F,G");
    EXPECT_EQ(ChildNames(IdOf("A")), "B,Notiz,E");
    Drag(ItemOf("B"), QPoint(Tree()->viewport()->width() + 40, 10));
    EXPECT_EQ(ChildNames(0), "A,F,G");
}

TEST_F(CTreeTest, EscapeCancelsADragAndProtectionPreventsOne) {
    QWidget* pViewport = Tree()->viewport();
    QPoint ptF = Center(ItemOf("F"));
    QTest::mousePress(pViewport, Qt::LeftButton, {}, Center(ItemOf("G")));
    QTest::mouseMove(pViewport, Center(ItemOf("G")) + QPoint(0, QApplication::startDragDistance() + 2));
    ASSERT_TRUE(Tree()->IsDragging());
    QTest::mouseMove(pViewport, ptF);
    EXPECT_EQ(Tree()->DropHiliteItem(), ItemOf("F"));
    QTest::keyClick(Tree(), Qt::Key_Escape);
    EXPECT_FALSE(Tree()->IsDragging());
    EXPECT_EQ(Tree()->DropHiliteItem(), nullptr);
    QTest::mouseRelease(pViewport, Qt::LeftButton, {}, ptF);
    Pump();
    EXPECT_EQ(ChildNames(0), "A,F,G");
    EXPECT_EQ(ChildNames(IdOf("F")), "");

    m_pDoc->SetWriteProtected(true);
    QTest::mousePress(pViewport, Qt::LeftButton, {}, Center(ItemOf("G")));
    QTest::mouseMove(pViewport, Center(ItemOf("G")) + QPoint(0, QApplication::startDragDistance() + 2));
    EXPECT_FALSE(Tree()->IsDragging());
    QTest::mouseRelease(pViewport, Qt::LeftButton, {}, ptF);
    EXPECT_EQ(ChildNames(0), "A,F,G");
}

TEST_F(CTreeTest, DropTargetTestAnswersTheDetailView) {
    QWidget* pViewport = Tree()->viewport();
    QTreeWidgetItem* pF = ItemOf("F");
    QCursor::setPos(pViewport->mapToGlobal(Center(pF)));
    if (QCursor::pos() != pViewport->mapToGlobal(Center(pF))) GTEST_SKIP() << "cursor cannot be placed here";
    EXPECT_EQ(SendPaneMessage(Tree(), WM_DROP_TARGET, 1), IdOf("F"));
    EXPECT_EQ(Tree()->DropHiliteItem(), pF);
    QCursor::setPos(pViewport->mapToGlobal(QPoint(10, pViewport->height() - 5)));
    EXPECT_EQ(SendPaneMessage(Tree(), WM_DROP_TARGET, 1), 0);
    EXPECT_EQ(Tree()->DropHiliteItem(), nullptr);
    QCursor::setPos(pViewport->mapToGlobal(QPoint(-20, 5)));
    EXPECT_EQ(SendPaneMessage(Tree(), WM_DROP_TARGET, 1), -1);
    QCursor::setPos(pViewport->mapToGlobal(Center(pF)));
    SendPaneMessage(Tree(), WM_DROP_TARGET, 1);
    EXPECT_EQ(SendPaneMessage(Tree(), WM_DROP_TARGET, 0), 0);
    EXPECT_EQ(Tree()->DropHiliteItem(), nullptr);
}

TEST_F(CTreeTest, RefreshOfAFolderReloadsItsNodeAndIgnoresUnloadedOnes) {
    ItemOf("A")->setExpanded(true);
    CKnowHow other;
    ASSERT_EQ(other.MoveToFolder(IdOf("F"), IdOf("E")), EWriteResult::Saved);
    // E is loaded: its node is read again and shows the new sub-folder
    SendPaneMessage(Tree(), WM_REFRESH_FOLDER, IdOf("E"));
    EXPECT_EQ(ChildTexts(ItemOf("E")), (std::vector<std::string>{"F"}));
    EXPECT_EQ(CTreeViewEx::ItemImage(ItemOf("E")), 1);
    // C is not loaded: nothing happens
    SendPaneMessage(Tree(), WM_REFRESH_FOLDER, IdOf("C"));
    EXPECT_EQ(ItemOf("C"), nullptr);
    // 0 rebuilds the tree from the database
    SendPaneMessage(Tree(), WM_REFRESH_FOLDER, 0);
    EXPECT_EQ(TopLevelTexts(Tree()), (std::vector<std::string>{"A", "G"}));
}

TEST_F(CTreeTest, TreeRefreshReloadsTheSelectedFolder) {
    SendPaneMessage(Tree(), WM_SHOW_FOLDER, IdOf("G"));
    Pump();
    CKnowHow other;
    ASSERT_EQ(other.MoveToFolder(IdOf("F"), IdOf("G")), EWriteResult::Saved);
    SendPaneCommand(Tree(), ID_TREE_REFRESH);
    ItemOf("G")->setExpanded(true);
    EXPECT_EQ(ChildTexts(ItemOf("G")), (std::vector<std::string>{"H", "F"}));
    SendPaneCommand(Tree(), ID_DETAIL_RESET);
    EXPECT_EQ(Tree()->topLevelItemCount(), 0);
}

TEST_F(CTreeTest, LongFolderNamesAreScrolledToNotCut) {
    CLeftView* pTree = Tree();
    QScrollBar* pBar = pTree->horizontalScrollBar();
    // the whole name fits in its row: icon and text, nothing elided
    auto wholeName = [pTree](QTreeWidgetItem* pItem) {
        const QRect rc = pTree->visualItemRect(pItem);
        return rc.width() >= pTree->iconSize().width() + pTree->fontMetrics().horizontalAdvance(pItem->text(0));
    };
    // short names: no scroll bar, and a click right of a name still hits its row
    EXPECT_EQ(pBar->maximum(), 0);
    QTreeWidgetItem* pF = ItemOf("F");
    QTest::mouseClick(pTree->viewport(), Qt::LeftButton, {}, QPoint(pTree->viewport()->width() - 3, Center(pF).y()));
    EXPECT_EQ(pTree->SelectedItem(), pF);

    const std::string strLong = "Ein Ordner, dessen Name viel breiter ist als der Bereich";
    ASSERT_TRUE(Open(MakeDatabase("lang.tov", {{"+" + strLong, {{"+Darin noch ein " + strLong}}}, {"+Kurz"}})));
    QTreeWidgetItem* pLong = ItemOf(strLong);
    ASSERT_NE(pLong, nullptr);
    struct SStep {
        const char* pszWhat;
        std::function<void()> fnDo;
        bool bSubShown;
    };
    int nMaxTop = 0;
    const SStep steps[] = {
        {"top level", [] {}, false},
        {"expanded", [&] { pLong->setExpanded(true); }, true},
        {"collapsed", [&] { pLong->setExpanded(false); }, false},
    };
    for (const SStep& step : steps) {
        SCOPED_TRACE(step.pszWhat);
        step.fnDo();
        Pump();
        EXPECT_TRUE(pBar->isVisible());
        EXPECT_TRUE(wholeName(pLong));
        if (step.bSubShown) {
            QTreeWidgetItem* pSub = ItemOf("Darin noch ein " + strLong);
            ASSERT_NE(pSub, nullptr);
            EXPECT_TRUE(wholeName(pSub));
            // the deeper name reaches further
            EXPECT_GT(pBar->maximum(), nMaxTop);
        } else {
            if (!nMaxTop) nMaxTop = pBar->maximum();
            EXPECT_EQ(pBar->maximum(), nMaxTop);
            EXPECT_GT(nMaxTop, 0);
        }
    }
    // the end of the name can be scrolled into view
    pBar->setValue(pBar->maximum());
    const QRect rc = pTree->visualItemRect(pLong);
    EXPECT_LE(rc.left() + pTree->iconSize().width() + pTree->fontMetrics().horizontalAdvance(pLong->text(0)),
              pTree->viewport()->width());
}
