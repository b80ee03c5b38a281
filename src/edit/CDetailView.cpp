// Placeholder pane until the detail view lands: keeps the current folder and
// shows its title, nothing more.
#include "edit/CDetailView.h"

#include "app/COrvantisDoc.h"

CDetailView::CDetailView(COrvantisDoc* pDoc, QWidget* pParent) : QAbstractScrollArea(pParent), m_pDoc(pDoc) {}

CDetailView::~CDetailView() = default;

bool CDetailView::OnCommand(int) { return false; }

bool CDetailView::OnUpdateCommand(int, SCommandState&) { return false; }

std::intptr_t CDetailView::OnPaneMessage(unsigned nMsg, std::intptr_t wParam, std::intptr_t lParam) {
    (void)lParam;
    if (nMsg == WM_SHOW_FOLDER && wParam != m_nCurrentFolder) {
        m_nCurrentFolder = static_cast<std::int32_t>(wParam);
        if (m_pDoc) m_pDoc->ShowFolderTitle(m_nCurrentFolder);
    } else if (nMsg == WM_COMMAND && (wParam == ID_DETAIL_RESET || wParam == ID_DETAIL_CLOSE)) {
        m_nCurrentFolder = -1;
    }
    return 0;
}
