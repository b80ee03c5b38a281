#pragma once
// The heights of the detail view's rows, without a widget. Heights are exact
// from the top down to GetMeasuredRows(); the rows below hold estimates until
// the idle steps (or anything that needs a row's place) measure them, top
// down, so no row above the ones measured moves. Exact heights of texts are
// cached per box width, keyed by the stored bytes, so that a reload or a
// structural edit of the folder shown need not lay its texts out again.
//
// The rows are the view's own array; each row's height is its DisplayHeight.

#include <QFont>
#include <QTimer>
#include <cstddef>
#include <functional>
#include <string>
#include <unordered_map>

#include "table/CKnowHowItem.h"

class CRowLayout {
public:
    explicit CRowLayout(CKnowHowArray& arrRows);

    // Fonts of the keyword and the text column; the tab stops of measuring
    // (eight average characters) and the line heights follow from them.
    void SetFonts(const QFont& fontKeyword, const QFont& fontText);
    int GetKeywordLineHeight() const { return m_nKeywordLineHeight; }
    int GetTextLineHeight() const { return m_nTextLineHeight; }
    qreal GetKeywordTabStop() const { return m_dKeywordTabStop; }
    // Widths the keyword and the text are wrapped into, in force for every
    // height measured from now on.
    void SetBoxWidths(int nKeywordBox, int nTextBox);
    // True when the heights were laid out for the widths now in force.
    bool IsLaidOutForBoxes() const { return m_nKeywordBox == m_nLayoutKeywordBox && m_nTextBox == m_nLayoutTextBox; }
    // Runs inside every idle step once its rows are measured (the view
    // updates its scroll range).
    void SetIdleStepDone(std::function<void()> fn) { m_fnIdleStepDone = std::move(fn); }

    // Exact height of a row, and the guess used until it is measured.
    int MeasureRow(const CKnowHowItem& item);
    int EstimateRow(const CKnowHowItem& item) const;

    // Nothing measured, the idle measuring stopped, the total summed again.
    void Reset();
    // Every row gets its estimate and is measured again, on demand and in
    // idle steps; the layout is for the widths now in force.
    void Invalidate();
    void ClearCaches();
    // Measures the rows down to nRow; true when it measured any.
    bool MeasureThrough(int nRow);
    // Measures rows until the measured ones reach below the list position y;
    // true when it measured any.
    bool MeasureToY(int y);
    void MeasureAll();
    // Appends a row measured exactly; a layout that was settled stays so.
    // The total is summed by the next RemeasureRow or UpdateTotal.
    void AppendRow(CKnowHowItem item);
    // Measures the row again (it was edited) and sums the total.
    void RemeasureRow(int nRow);
    // Takes heights set from outside (the editors' line count) into the total.
    void UpdateTotal() { m_nTotalHeight = SumOfHeights(); }

    int GetTotalHeight() const { return m_nTotalHeight; }
    int GetMeasuredRows() const { return m_nMeasuredRows; }
    bool IsSettled() const { return m_nMeasuredRows >= static_cast<int>(m_arrRows.size()); }
    // Top of the row in the whole list, from the heights as they stand.
    int RowTop(int nRow) const;

    // --- the idle measuring ---------------------------------------------------------------
    bool IsMeasuringInIdle() const { return m_timerMeasure.isActive(); }
    // One idle step: rows measured until the step's time (or SetIdleStepRows) is used up.
    void RunIdleStep();
    // At most this many rows per idle step; 0 = as many as fit into the step's time.
    void SetIdleStepRows(int nRows) { m_nIdleStepRows = nRows; }
    // Rows measured exactly so far (cache hits included), idle steps run and
    // the longest of them, for tests and the benchmark.
    long long GetExactMeasures() const { return m_nExactMeasures; }
    int GetIdleSteps() const { return m_nIdleSteps; }
    double GetLongestIdleStepMs() const { return m_dLongestIdleStepMs; }

private:
    struct SHeightCache {
        std::unordered_map<std::string, int> map;
        std::size_t nBytes = 0;
        int nWidth = -1;
        void Clear() {
            map.clear();
            nBytes = 0;
        }
    };
    int CachedHeight(SHeightCache& cache, const QFont& font, const std::string& strText, int nWidth, qreal dTabStop);
    int SumOfHeights() const;
    void MeasureNextRow();

    CKnowHowArray& m_arrRows;
    QFont m_fontKeyword;
    QFont m_fontText;
    int m_nKeywordLineHeight = 0;
    int m_nTextLineHeight = 0;
    int m_nKeywordCharWidth = 1;
    int m_nTextCharWidth = 1;
    qreal m_dKeywordTabStop = 0;
    qreal m_dTextTabStop = 0;
    int m_nKeywordBox = 0;
    int m_nTextBox = 0;
    int m_nLayoutKeywordBox = -1;  // widths the heights were measured for
    int m_nLayoutTextBox = -1;

    int m_nTotalHeight = 0;
    int m_nMeasuredRows = 0;
    SHeightCache m_cacheText;
    SHeightCache m_cacheKeyword;
    QTimer m_timerMeasure;
    std::function<void()> m_fnIdleStepDone;
    int m_nIdleStepRows = 0;
    long long m_nExactMeasures = 0;
    int m_nIdleSteps = 0;
    double m_dLongestIdleStepMs = 0;
};
