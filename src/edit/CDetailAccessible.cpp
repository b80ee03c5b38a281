#include "edit/CDetailAccessible.h"

#include <QAccessibleWidget>
#include <QPointer>
#include <QScrollBar>

#include "edit/CDetailView.h"
#include "ui/QtText.h"

namespace {
class CDetailViewAccessible;

// One row: made on demand and asked again each time, so that it never
// outlives the rows it speaks of (it answers by its index).
class CRowAccessible : public QAccessibleInterface {
public:
    CRowAccessible(CDetailViewAccessible* pList, CDetailView* pView, int nRow)
        : m_pList(pList), m_pView(pView), m_nRow(nRow) {}
    bool isValid() const override { return m_pView && m_nRow < static_cast<int>(m_pView->GetRows().size()); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_pView ? m_pView->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override {
        QAccessible::State st;
        st.selectable = true;
        st.focusable = true;
        if (!isValid()) {
            st.invalid = true;
            return st;
        }
        const bool bCurrent = m_pView->GetCurrentRow() == m_nRow;
        st.selected = bCurrent;
        st.focused = bCurrent && m_pView->hasFocus();
        const CKnowHowItem& item = Item();
        st.expandable = item.IsDir != 0;
        return st;
    }
    QString text(QAccessible::Text t) const override {
        if (!isValid()) return {};
        const CKnowHowItem& item = Item();
        switch (t) {
            case QAccessible::Name:
                return item.ID == 0 && item.Name.empty() ? QString::fromUtf8("Neuer Eintrag") : FromAnsi(item.Name);
            case QAccessible::Value: return StoredToDisplay(item.Text);
            case QAccessible::Description: {
                QString str = item.IsDir ? QString::fromUtf8("Ordner") : QString::fromUtf8("Eintrag");
                if (!item.Link.empty()) str += QString::fromUtf8(", Verknüpfung: ") + FromAnsi(item.Link);
                return str;
            }
            default: return {};
        }
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!isValid()) return {};
        const int nTop = 1 - m_pView->GetScrollPos() + m_pView->RowTop(m_nRow);
        const QRect rc(QPoint(0, nTop), QSize(m_pView->viewport()->width(), Item().DisplayHeight));
        return QRect(m_pView->viewport()->mapToGlobal(rc.topLeft()), rc.size());
    }

private:
    const CKnowHowItem& Item() const { return m_pView->GetRows()[m_nRow]; }

    CDetailViewAccessible* m_pList;
    QPointer<CDetailView> m_pView;
    int m_nRow;
};

// The view as a list: its rows first, then the editors that are shown.
class CDetailViewAccessible : public QAccessibleWidget {
public:
    explicit CDetailViewAccessible(CDetailView* pView) : QAccessibleWidget(pView, QAccessible::List) {}
    ~CDetailViewAccessible() override {
        for (QAccessible::Id id : m_arrRowIds) QAccessible::deleteAccessibleInterface(id);
    }
    int childCount() const override { return RowCount() + static_cast<int>(Editors().size()); }
    QAccessibleInterface* child(int i) const override {
        if (i < 0) return nullptr;
        if (i < RowCount()) return Row(i);
        const auto arr = Editors();
        const size_t k = static_cast<size_t>(i - RowCount());
        return k < arr.size() ? QAccessible::queryAccessibleInterface(arr[k]) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* pChild) const override {
        for (int i = 0; i < childCount(); ++i)
            if (child(i) == pChild) return i;
        return -1;
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return QString::fromUtf8("Einträge des Ordners");
        return QAccessibleWidget::text(t);
    }

private:
    CDetailView* View() const { return static_cast<CDetailView*>(widget()); }
    int RowCount() const { return static_cast<int>(View()->GetRows().size()); }
    std::vector<QWidget*> Editors() const {
        std::vector<QWidget*> arr;
        for (QWidget* p :
             {static_cast<QWidget*>(View()->GetKeywordEditor()), static_cast<QWidget*>(View()->GetTextEditor())})
            if (p && p->isVisible()) arr.push_back(p);
        return arr;
    }
    // one registered interface per row index, kept while the view lives
    QAccessibleInterface* Row(int i) const {
        while (static_cast<int>(m_arrRowIds.size()) <= i) {
            auto* p = new CRowAccessible(const_cast<CDetailViewAccessible*>(this), View(),
                                         static_cast<int>(m_arrRowIds.size()));
            m_arrRowIds.push_back(QAccessible::registerAccessibleInterface(p));
        }
        return QAccessible::accessibleInterface(m_arrRowIds[static_cast<size_t>(i)]);
    }

    mutable std::vector<QAccessible::Id> m_arrRowIds;
};

QAccessibleInterface* CRowAccessible::parent() const {
    return m_pList;
}
}  // namespace

QAccessibleInterface* DetailViewAccessibleFactory(const QString& strClassName, QObject* pObject) {
    if (strClassName == QLatin1String("CDetailView") && pObject && pObject->isWidgetType())
        return new CDetailViewAccessible(static_cast<CDetailView*>(pObject));
    return nullptr;
}
