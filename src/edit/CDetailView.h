#pragma once
// The right-hand pane: the entries of one folder as rows of icon, keyword and
// text, edited in place.

#include <QAbstractScrollArea>
#include <cstdint>

#include "app/CommandTarget.h"
#include "app/PaneMessages.h"

class COrvantisDoc;

class CDetailView : public QAbstractScrollArea, public CCommandTarget, public IPaneTarget {
    Q_OBJECT
public:
    CDetailView(COrvantisDoc* pDoc, QWidget* pParent = nullptr);
    ~CDetailView() override;

    // folder shown; -1 none, 0 the top level
    std::int32_t GetCurrentFolder() const { return m_nCurrentFolder; }

    bool OnCommand(int nId) override;
    bool OnUpdateCommand(int nId, SCommandState& state) override;
    std::intptr_t OnPaneMessage(unsigned nMsg, std::intptr_t wParam, std::intptr_t lParam) override;

private:
    COrvantisDoc* m_pDoc;
    std::int32_t m_nCurrentFolder = -1;
};
