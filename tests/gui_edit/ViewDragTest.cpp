// Dragging an entry by its icon onto a folder in the view or in the tree.
#include <QCursor>
#include <QMouseEvent>
#include <QTest>

#include "ViewFixture.h"
#include "app/CLeftView.h"
#include "platform/Cp1252.h"

namespace {
const std::vector<SEntry> kTree = {
    {"+Projekte", {{"-Alpha"}, {"-Beta"}, {"+Unterordner", {{"-Tief"}, {"+Kind"}}}}},
    {"+Archiv", {{"-Alt"}}},
};

class CDragTest : public CViewTest {
protected:
    void SetUp() override {
        CViewTest::SetUp();
        ASSERT_TRUE(Open(MakeDatabase(kTree)));
        m_nProjekte = IdOf("Projekte");
        ASSERT_EQ(RowNames(), "Alpha,Beta,Unterordner,_");
        // the cursor far away from the tree
        QCursor::setPos(m_pFrame->mapToGlobal(QPoint(m_pFrame->width() - 5, m_pFrame->height() - 5)));
    }
    int RowY(int nRow) const { return 1 - View()->GetScrollPos() + View()->RowTop(nRow) + 8; }
    void PressAt(const QPoint& pt) {
        QTest::mousePress(View()->viewport(), Qt::LeftButton, Qt::NoModifier, pt);
        Pump();
    }
    void MoveTo(const QPoint& pt, Qt::MouseButtons buttons = Qt::LeftButton) {
        QMouseEvent move(QEvent::MouseMove, pt, View()->viewport()->mapToGlobal(pt), Qt::NoButton, buttons,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(View()->viewport(), &move);
        Pump();
    }
    void ReleaseAt(const QPoint& pt) {
        QTest::mouseRelease(View()->viewport(), Qt::LeftButton, Qt::NoModifier, pt);
        Pump();
    }
    // Moves the cursor over a folder of the tree and the drag with it.
    void DragOverTree(std::int32_t nFolder) {
        CLeftView* pTree = m_pFrame->GetTreeView();
        QTreeWidgetItem* pItem = pTree->FindItem(nFolder);
        ASSERT_NE(pItem, nullptr);
        const QPoint ptGlobal = pTree->viewport()->mapToGlobal(pTree->visualItemRect(pItem).center());
        QCursor::setPos(ptGlobal);
        MoveTo(View()->viewport()->mapFromGlobal(ptGlobal));
    }
    std::int32_t m_nProjekte = 0;
};
}  // namespace

TEST_F(CDragTest, AnEntryDroppedOnAFolderRowMovesIntoThatFolder) {
    const std::int32_t nUnter = IdOf("Unterordner");
    PressAt(QPoint(10, RowY(1)));
    EXPECT_EQ(View()->GetCurrentRow(), 1);
    EXPECT_FALSE(View()->IsDragging());
    MoveTo(QPoint(13, RowY(1)));
    ASSERT_TRUE(View()->IsDragging());
    // over its own row: no drop
    EXPECT_EQ(View()->GetDropTarget(), -1);
    // over a text entry's icon: no drop either
    MoveTo(QPoint(10, RowY(0)));
    EXPECT_EQ(View()->GetDropTarget(), -1);
    // over the folder's icon
    MoveTo(QPoint(10, RowY(2)));
    EXPECT_EQ(View()->GetDropTarget(), nUnter);
    ReleaseAt(QPoint(10, RowY(2)));
    EXPECT_FALSE(View()->IsDragging());
    EXPECT_EQ(ChildNames(m_nProjekte), "Alpha,Unterordner");
    EXPECT_EQ(ChildNames(nUnter), "Tief,Kind,Beta");
    // the moved entry is shown at its new place
    EXPECT_EQ(View()->GetCurrentFolder(), nUnter);
    EXPECT_EQ(View()->GetCurrentRow(), RowOf("Beta"));
    EXPECT_EQ(m_pFrame->GetTreeView()->DropHiliteItem(), nullptr);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(CDragTest, ADragStartsOnlyJustBeyondThePressPoint) {
    const int y = RowY(0);
    // a press and a release: no drag
    PressAt(QPoint(10, y));
    ReleaseAt(QPoint(10, y));
    EXPECT_FALSE(View()->IsDragging());
    // two pixels: not yet; six: too far for a start
    PressAt(QPoint(10, y));
    MoveTo(QPoint(12, y));
    EXPECT_FALSE(View()->IsDragging());
    MoveTo(QPoint(16, y));
    EXPECT_FALSE(View()->IsDragging());
    ReleaseAt(QPoint(16, y));
    // a move without a button forgets the press
    PressAt(QPoint(10, y));
    MoveTo(QPoint(10, y + 1), Qt::NoButton);
    MoveTo(QPoint(10, y + 4));
    EXPECT_FALSE(View()->IsDragging());
    ReleaseAt(QPoint(10, y + 4));
    // three, four or five in a line start one
    for (int d : {3, 4, 5}) {
        PressAt(QPoint(10, y));
        MoveTo(QPoint(10 + d, y));
        EXPECT_TRUE(View()->IsDragging()) << d;
        // Escape cancels: nothing moves
        SendKey(View(), Qt::Key_Escape, Qt::NoModifier);
        EXPECT_FALSE(View()->IsDragging());
        ReleaseAt(QPoint(10, RowY(2)));
    }
    EXPECT_EQ(ChildNames(m_nProjekte), "Alpha,Beta,Unterordner");
    // a press on the keyword or on the empty row never drags
    PressAt(QPoint(60, y));
    MoveTo(QPoint(63, y));
    EXPECT_FALSE(View()->IsDragging());
    ReleaseAt(QPoint(63, y));
    PressAt(QPoint(10, RowY(3)));
    MoveTo(QPoint(13, RowY(3)));
    EXPECT_FALSE(View()->IsDragging());
    ReleaseAt(QPoint(13, RowY(3)));

    // write protection: no drag
    SetProtected(true);
    PressAt(QPoint(10, y));
    MoveTo(QPoint(13, y));
    EXPECT_FALSE(View()->IsDragging());
    ReleaseAt(QPoint(13, y));
}

TEST_F(CDragTest, DroppingOnAFolderOfTheTreeButNeverIntoTheDraggedFoldersOwnSubtree) {
    const std::int32_t nUnter = IdOf("Unterordner");
    const std::int32_t nKind = IdOf("Kind");
    const std::int32_t nArchiv = IdOf("Archiv");
    CLeftView* pTree = m_pFrame->GetTreeView();
    pTree->expandItem(pTree->FindItem(m_nProjekte));
    Pump();
    ASSERT_NE(pTree->FindItem(nUnter), nullptr);
    pTree->expandItem(pTree->FindItem(nUnter));
    Pump();
    ASSERT_NE(pTree->FindItem(nKind), nullptr);

    PressAt(QPoint(10, RowY(2)));
    MoveTo(QPoint(13, RowY(2)));
    ASSERT_TRUE(View()->IsDragging());
    // onto itself and into its own subtree: refused
    DragOverTree(nUnter);
    EXPECT_EQ(View()->GetDropTarget(), -1);
    DragOverTree(nKind);
    EXPECT_EQ(View()->GetDropTarget(), -1);
    DragOverTree(nArchiv);
    EXPECT_EQ(View()->GetDropTarget(), nArchiv);
    EXPECT_NE(pTree->DropHiliteItem(), nullptr);
    ReleaseAt(View()->viewport()->mapFromGlobal(QCursor::pos()));
    EXPECT_EQ(pTree->DropHiliteItem(), nullptr);
    EXPECT_EQ(ChildNames(m_nProjekte), "Alpha,Beta");
    EXPECT_EQ(ChildNames(nArchiv), "Alt,Unterordner");
    EXPECT_EQ(ChildNames(nUnter), "Tief,Kind");
    EXPECT_EQ(View()->GetCurrentFolder(), nArchiv);
    EXPECT_EQ(View()->GetCurrentRow(), RowOf("Unterordner"));

    // a drop refused in the subtree moves nothing
    ClickRow(RowOf("Unterordner"), 140);
    PressAt(QPoint(10, RowY(RowOf("Unterordner"))));
    MoveTo(QPoint(13, RowY(RowOf("Unterordner"))));
    ASSERT_TRUE(View()->IsDragging());
    ASSERT_NE(pTree->FindItem(nUnter), nullptr);
    pTree->expandItem(pTree->FindItem(nUnter));
    Pump();
    DragOverTree(nKind);
    EXPECT_EQ(View()->GetDropTarget(), -1);
    ReleaseAt(View()->viewport()->mapFromGlobal(QCursor::pos()));
    EXPECT_EQ(ChildNames(nArchiv), "Alt,Unterordner");
    EXPECT_EQ(Stored(nKind).MasterID, nUnter);
}
