#pragma once
// The search dialog: a piece of text searched in keywords, texts or both,
// the hits listed by their paths, the selected hit's text previewed with
// every occurrence highlighted, and "Gehe zu" to bring the entry up in the
// main window.

#include <QDialog>
#include <QString>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "edit/IEditDocument.h"
#include "table/CKnowHowItem.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class CHitModel;
class QTextEdit;

enum ESuchenControl : int {
    IDD_SUCHEN = 140,
    IDC_SEARCH_TEXT = 1000,
    IDC_IN_KEYWORDS = 1001,
    IDC_IN_TEXTS = 1002,
    IDC_HIT_LIST = 1003,
    IDC_GOTO = 1005,
    IDC_PREVIEW = 1011,
    IDC_SEARCH = 3,
};

class CSuchenDlg : public QDialog {
    Q_OBJECT
public:
    explicit CSuchenDlg(IEditDocument& doc, QWidget* pParent = nullptr);
    ~CSuchenDlg() override;

    // ID of the hit shown in the preview; -1 none.
    TRowId GetSelectedHit() const { return m_nSelectedHit; }
    const CKnowHowArray& GetHits() const { return m_arrHits; }

    QLineEdit* SearchEdit() const { return m_pSearchEdit; }
    QCheckBox* InKeywords() const { return m_pInKeywords; }
    QCheckBox* InTexts() const { return m_pInTexts; }
    QTableView* HitList() const { return m_pHitList; }
    QTextEdit* Preview() const { return m_pPreview; }
    QPushButton* SearchButton() const { return m_pSearch; }
    QPushButton* GoToButton() const { return m_pGoTo; }
    QPushButton* CloseButton() const { return m_pClose; }

protected:
    void resizeEvent(QResizeEvent* pEvent) override;
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    void OnSearch();
    void OnGoTo();
    void ShowSelectedHit();
    void ShowPreview(const std::string& strText);
    void Layout(int W, int H);
    // Lists the hits by the paths (one per hit, in the order of m_arrHits).
    void FillHitList(std::vector<std::string>& arrPaths);

    IEditDocument& m_doc;
    TRowId m_nSelectedHit = -1;
    CKnowHowArray m_arrHits;
    std::string m_strSearched;  // the search text of the listed hits (Windows-1252)

    QLabel* m_pLabel = nullptr;
    QLineEdit* m_pSearchEdit = nullptr;
    QCheckBox* m_pInKeywords = nullptr;
    QCheckBox* m_pInTexts = nullptr;
    QPushButton* m_pSearch = nullptr;
    QPushButton* m_pGoTo = nullptr;
    QPushButton* m_pClose = nullptr;
    QTableView* m_pHitList = nullptr;
    CHitModel* m_pHitModel = nullptr;
    QTextEdit* m_pPreview = nullptr;
};

// The search command: the dialog run modally for the document.
void RunSearchDialog(QWidget* pParent, IEditDocument& doc);
