#include "edit/CRowLayout.h"

#include <QElapsedTimer>
#include <QFontMetrics>
#include <algorithm>

#include "edit/TextLayout.h"
#include "ui/QtText.h"

namespace {
// One idle measuring step: short enough that a key or a click waits no
// longer than this behind it.
constexpr qint64 kIdleStepNs = 6'000'000;
// Bound of the texts held by one height cache.
constexpr std::size_t kCacheBytes = std::size_t(32) << 20;
}  // namespace

CRowLayout::CRowLayout(CKnowHowArray& arrRows) : m_arrRows(arrRows) {
    m_timerMeasure.setInterval(0);
    QObject::connect(&m_timerMeasure, &QTimer::timeout, [this] { RunIdleStep(); });
}

void CRowLayout::SetFonts(const QFont& fontKeyword, const QFont& fontText) {
    m_fontKeyword = fontKeyword;
    m_fontText = fontText;
    m_dTextTabStop = TabStopDistance(m_fontText, 8);
    m_dKeywordTabStop = TabStopDistance(m_fontKeyword, 8);
    m_nTextCharWidth = std::max(1, QFontMetrics(m_fontText).averageCharWidth());
    m_nKeywordCharWidth = std::max(1, QFontMetrics(m_fontKeyword).averageCharWidth());
    m_nKeywordLineHeight = MeasureTextHeight(m_fontKeyword, QStringLiteral("x"), 100, 0);
    m_nTextLineHeight = MeasureTextHeight(m_fontText, QStringLiteral("X"), 1000, 0);
}

void CRowLayout::SetBoxWidths(int nKeywordBox, int nTextBox) {
    m_nKeywordBox = nKeywordBox;
    m_nTextBox = nTextBox;
}

int CRowLayout::CachedHeight(SHeightCache& cache, const QFont& font, const std::string& strText, int nWidth,
                             qreal dTabStop) {
    if (strText.empty() || nWidth <= 0) return 0;
    if (cache.nWidth != nWidth) {
        cache.Clear();
        cache.nWidth = nWidth;
    }
    const auto it = cache.map.find(strText);
    if (it != cache.map.end()) return it->second;
    const int nHeight = MeasureTextHeight(font, FromAnsi(strText), nWidth, dTabStop);
    if (cache.nBytes + strText.size() > kCacheBytes) cache.Clear();
    cache.map.emplace(strText, nHeight);
    cache.nBytes += strText.size();
    return nHeight;
}

int CRowLayout::MeasureRow(const CKnowHowItem& item) {
    ++m_nExactMeasures;
    const int nKeyword = CachedHeight(m_cacheKeyword, m_fontKeyword, item.Name, m_nKeywordBox, m_dKeywordTabStop);
    const int nText = CachedHeight(m_cacheText, m_fontText, item.Text, m_nTextBox, m_dTextTabStop);
    return std::max({m_nKeywordLineHeight, nKeyword, nText}) + 6;
}

int CRowLayout::EstimateRow(const CKnowHowItem& item) const {
    const int nKeyword =
        EstimateTextHeight(item.Name, m_nKeywordBox, m_nKeywordCharWidth, std::max(1, m_nKeywordLineHeight));
    const int nText = EstimateTextHeight(item.Text, m_nTextBox, m_nTextCharWidth, std::max(1, m_nTextLineHeight));
    return std::max({m_nKeywordLineHeight, nKeyword, nText}) + 6;
}

int CRowLayout::SumOfHeights() const {
    int nTotal = 0;
    for (const CKnowHowItem& item : m_arrRows) nTotal += item.DisplayHeight;
    return nTotal;
}

void CRowLayout::Reset() {
    m_timerMeasure.stop();
    m_nMeasuredRows = 0;
    m_nLayoutTextBox = -1;
    m_nLayoutKeywordBox = -1;
    m_nTotalHeight = SumOfHeights();
}

void CRowLayout::ClearCaches() {
    m_cacheText.Clear();
    m_cacheKeyword.Clear();
}

void CRowLayout::Invalidate() {
    m_nMeasuredRows = 0;
    m_nLayoutTextBox = m_nTextBox;
    m_nLayoutKeywordBox = m_nKeywordBox;
    m_nTotalHeight = 0;
    for (CKnowHowItem& item : m_arrRows) {
        item.DisplayHeight = EstimateRow(item);
        m_nTotalHeight += item.DisplayHeight;
    }
    if (!m_arrRows.empty())
        m_timerMeasure.start();
    else
        m_timerMeasure.stop();
}

void CRowLayout::MeasureNextRow() {
    CKnowHowItem& item = m_arrRows[m_nMeasuredRows];
    const int nHeight = MeasureRow(item);
    m_nTotalHeight += nHeight - item.DisplayHeight;
    item.DisplayHeight = nHeight;
    ++m_nMeasuredRows;
    if (IsSettled()) m_timerMeasure.stop();
}

bool CRowLayout::MeasureThrough(int nRow) {
    nRow = std::min(nRow, static_cast<int>(m_arrRows.size()) - 1);
    if (nRow < m_nMeasuredRows) return false;
    while (m_nMeasuredRows <= nRow) MeasureNextRow();
    return true;
}

bool CRowLayout::MeasureToY(int y) {
    const int nRows = static_cast<int>(m_arrRows.size());
    if (m_nMeasuredRows >= nRows) return false;
    int nBottom = 0;
    for (int i = 0; i < m_nMeasuredRows; ++i) nBottom += m_arrRows[i].DisplayHeight;
    if (nBottom > y) return false;
    while (m_nMeasuredRows < nRows && nBottom <= y) {
        MeasureNextRow();
        nBottom += m_arrRows[m_nMeasuredRows - 1].DisplayHeight;
    }
    return true;
}

void CRowLayout::MeasureAll() {
    while (m_nMeasuredRows < static_cast<int>(m_arrRows.size())) MeasureNextRow();
}

void CRowLayout::AppendRow(CKnowHowItem item) {
    const bool bAllMeasured = IsSettled();
    m_arrRows.push_back(std::move(item));
    m_arrRows.back().DisplayHeight = MeasureRow(m_arrRows.back());
    if (bAllMeasured) m_nMeasuredRows = static_cast<int>(m_arrRows.size());
}

void CRowLayout::RemeasureRow(int nRow) {
    m_arrRows[nRow].DisplayHeight = MeasureRow(m_arrRows[nRow]);
    m_nTotalHeight = SumOfHeights();
}

int CRowLayout::RowTop(int nRow) const {
    int nTop = 0;
    for (int i = 0; i < nRow && i < static_cast<int>(m_arrRows.size()); ++i) nTop += m_arrRows[i].DisplayHeight;
    return nTop;
}

void CRowLayout::RunIdleStep() {
    const int nRows = static_cast<int>(m_arrRows.size());
    if (m_nMeasuredRows >= nRows) {
        m_timerMeasure.stop();
        return;
    }
    QElapsedTimer clock;
    clock.start();
    int nDone = 0;
    // Every row measured here lies below the rows on screen (painting
    // measured those), so nothing shown moves; only the total changes.
    while (m_nMeasuredRows < nRows) {
        MeasureNextRow();
        ++nDone;
        if (m_nIdleStepRows > 0 && nDone >= m_nIdleStepRows) break;
        if (clock.nsecsElapsed() >= kIdleStepNs) break;
    }
    if (m_fnIdleStepDone) m_fnIdleStepDone();
    if (m_nMeasuredRows >= nRows) m_timerMeasure.stop();
    ++m_nIdleSteps;
    m_dLongestIdleStepMs = std::max(m_dLongestIdleStepMs, clock.nsecsElapsed() / 1e6);
}
