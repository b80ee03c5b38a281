#include "print/CTovPrint.h"

#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QTextLayout>
#include <QtMath>
#include <algorithm>

#include "db/CDB.h"
#include "platform/Cp1252.h"
#include "platform/Platform.h"
#include "tree/CKnowHow.h"

// --- measuring and drawing on a device ----------------------------------------

namespace {
QTextOption TextOptions(qreal dTabStop, bool bAlignRight) {
    QTextOption opt;
    // edit-control breaking: at word boundaries, a word wider than the line anywhere
    opt.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    opt.setTabStopDistance(dTabStop);
    opt.setAlignment(bAlignRight ? Qt::AlignRight : Qt::AlignLeft);
    return opt;
}

// Lays out at most nMaxLines lines (all with -1), nLineHeight apart; answers their number.
int LayOut(QTextLayout& layout, int nWidth, int nMaxLines, int nLineHeight) {
    int n = 0;
    layout.beginLayout();
    while (nMaxLines < 0 || n < nMaxLines) {
        QTextLine line = layout.createLine();
        if (!line.isValid()) break;
        line.setLineWidth(std::max(nWidth, 1));
        line.setPosition(QPointF(0, static_cast<qreal>(n) * nLineHeight));
        ++n;
    }
    layout.endLayout();
    return n;
}

QFont PrintFont(const QPaintDevice* pDevice, bool bBold) {
    QFont font;  // the default variable-pitch face
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(CTovPrint::kPointSize);
    font.setWeight(bBold ? QFont::Bold : QFont::Normal);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    return QFont(font, pDevice);
}
}  // namespace

CDevicePrintMeasurer::CDevicePrintMeasurer(QPaintDevice* pDevice)
    : m_pDevice(pDevice), m_fontNormal(PrintFont(pDevice, false)), m_fontBold(PrintFont(pDevice, true)) {
    // Tab stops every two average character widths. The layout scales the
    // distance by the font's resolution; measure that scale once.
    {
        QTextLayout probe(QStringLiteral("\tx"), m_fontNormal, m_pDevice);
        probe.setTextOption(TextOptions(1000, false));
        LayOut(probe, 1000000, 1, 1);
        qreal dScale = probe.lineAt(0).cursorToX(1) / 1000;
        m_dTabStop = 2 * QFontMetricsF(m_fontNormal, m_pDevice).averageCharWidth() / (dScale > 0 ? dScale : 1);
    }
    QTextLayout layout(QStringLiteral("Xg"), m_fontNormal, m_pDevice);
    layout.setTextOption(TextOptions(m_dTabStop, false));
    layout.beginLayout();
    QTextLine line = layout.createLine();
    line.setLineWidth(10000);
    layout.endLayout();
    m_nLineHeight = std::max(1, qCeil(line.height()));
}

int CDevicePrintMeasurer::LineHeight() {
    return m_nLineHeight;
}

int CDevicePrintMeasurer::CountLines(const QString& strText, int nWidth) {
    if (strText.isEmpty()) return 0;
    QTextLayout layout(strText, m_fontNormal, m_pDevice);
    layout.setTextOption(TextOptions(m_dTabStop, false));
    int n = LayOut(layout, nWidth, -1, m_nLineHeight);
    // the empty line after a final line break is no line of the text: a text
    // continued behind its last line has none left
    if (n > 0 && layout.lineAt(n - 1).textLength() == 0) --n;
    return n;
}

int CDevicePrintMeasurer::CharsInLines(const QString& strText, int nWidth, int nLines) {
    if (nLines <= 0 || strText.isEmpty()) return 0;
    QTextLayout layout(strText, m_fontNormal, m_pDevice);
    layout.setTextOption(TextOptions(m_dTabStop, false));
    int n = LayOut(layout, nWidth, nLines, m_nLineHeight);
    QTextLine last = layout.lineAt(n - 1);
    return std::min(static_cast<int>(strText.size()), last.textStart() + last.textLength());
}

void CDevicePrintMeasurer::DrawLines(QPainter& painter, int nX, int nY, int nWidth, const QString& strText, int nLines,
                                     bool bBold, bool bAlignRight) {
    if (nLines <= 0 || strText.isEmpty()) return;
    const QFont& font = bBold ? m_fontBold : m_fontNormal;
    QTextLayout layout(strText, font, m_pDevice);
    layout.setTextOption(TextOptions(m_dTabStop, bAlignRight));
    int n = LayOut(layout, nWidth, nLines, m_nLineHeight);
    painter.save();
    painter.setClipRect(QRect(nX, nY, std::max(nWidth, 1), n * m_nLineHeight), Qt::IntersectClip);
    layout.draw(&painter, QPointF(nX, nY));
    painter.restore();
}

// --- the print job ------------------------------------------------------------------

QString CTovPrint::PrintText(const std::string& strAnsi) {
    QString str = QString::fromUtf8(Cp1252ToUtf8(strAnsi));
    // CR LF (and a lone CR or LF) ends a line
    str.replace(QStringLiteral("\r\n"), QString(QChar::LineSeparator));
    str.replace(QChar('\r'), QChar::LineSeparator);
    str.replace(QChar('\n'), QChar::LineSeparator);
    return str;
}

QString CTovPrint::Heading(const CKnowHowItem& item) {
    return PrintText((item.IsDir == 1 ? std::string("\\") : std::string()) + item.Name + ":");
}

int CTovPrint::TextWidth() const {
    return m_nPageWidth - m_nMargin - kTextIndent;
}

int ReadPrintFolder(CKnowHow& service, TRowId nFolder, SPrintFolder& folder) {
    folder = SPrintFolder();
    if (nFolder != 0) {
        // a folder deleted meanwhile is not printed as an empty one
        CKnowHowItem item;
        int n = service.GetItem(item, nFolder);
        if (n < 0) return PRINT_READ_FAILED;
        if (n == 0) return PRINT_NO_FOLDER;
        folder.strText = item.Text;
    }
    std::vector<std::string> arrPaths;
    if (service.GetChildren(folder.arrItems, nFolder) < 0 || !service.GetPaths({nFolder}, arrPaths))
        return PRINT_READ_FAILED;
    folder.strPath = arrPaths.front();
    return 0;
}

int CTovPrint::BeginPrinting(QPagedPaintDevice* pDevice, CKnowHow* pService, TRowId nFolder) {
    SPrintFolder folder;
    if (pService && ReadPrintFolder(*pService, nFolder, folder) < 0) folder = SPrintFolder();
    return BeginPrinting(pDevice, folder);
}

int CTovPrint::BeginPrinting(QPagedPaintDevice* pDevice, const SPrintFolder& folder) {
    return BeginPrinting(std::make_unique<CDevicePrintMeasurer>(pDevice), pDevice->width(), pDevice->height(),
                         pDevice->logicalDpiY(), folder.arrItems, folder.strPath, folder.strText);
}

int CTovPrint::BeginPrinting(std::unique_ptr<CPrintMeasurer> pMeasurer, int nPageWidth, int nPageHeight, int nDpiY,
                             const CKnowHowArray& arrItems, const std::string& strPath,
                             const std::string& strFolderText) {
    m_pMeasurer = std::move(pMeasurer);
    m_nLineHeight = std::max(1, m_pMeasurer->LineHeight());
    m_nPageWidth = nPageWidth;
    m_nPageHeight = nPageHeight;
    m_nMargin = nDpiY * 200 / 254;  // 20 mm
    m_arrItems = arrItems;
    m_arrTexts.clear();
    for (const auto& item : m_arrItems) m_arrTexts.push_back(PrintText(item.Text));
    m_strPath = PrintText(strPath);
    m_strFolderText = PrintText(strFolderText);
    Paginate();
    return GetPageCount();
}

void CTovPrint::EndPrinting() {
    m_pMeasurer.reset();
    m_arrItems.clear();
    m_arrTexts.clear();
    m_strPath.clear();
    m_strFolderText.clear();
    m_arrPages.clear();
}

void CTovPrint::Paginate() {
    // Header (path, folder text, blank line) and footer leave the body the
    // page's lines less four. A tiny page still gets four: with three the
    // first page would take nothing and its entry would print twice, with
    // fewer no page would take anything and paginating would never end.
    const int L = std::max(4, m_nPageHeight / m_nLineHeight - 4);
    const int T = TextWidth();
    const int nCount = static_cast<int>(m_arrItems.size());
    m_nBodyLines = L;
    m_arrPages.assign(1, CPrintPageInfo{0, 0});

    int i = -1;
    int nPlaced = 0;  // lines of item i placed on earlier pages
    int nUsed = 1;    // the first page holds one body line less
    int nLines = 0;
    bool bNext = true;
    for (;;) {
        if (bNext) {
            ++i;
            bNext = false;
            if (i >= nCount) break;
            nLines = m_pMeasurer->CountLines(m_arrTexts[i], T);
        }
        if (L - nUsed < 3) {
            nUsed = 0;
            m_arrPages.push_back(CPrintPageInfo{i, nPlaced > 0 ? nPlaced + 1 : 0});
            continue;
        }
        if (nPlaced > 0) {
            // the rest of a split text; a continued text is printed below a
            // blank line that is not counted, hence "<"
            int nRest = nLines - nPlaced;
            if (nRest + nUsed < L) {
                nUsed += nRest;
                nPlaced = 0;
                bNext = true;
            } else if (nRest + nUsed == L) {
                // the rest fills the page exactly: the text ends here, rather
                // than the next page beginning with an empty continuation (a
                // blank last page when this is the last entry)
                nUsed = L;
                nPlaced = 0;
                bNext = true;
            } else {
                nPlaced += L - nUsed;
                nUsed = L;
            }
        } else if (nUsed + nLines + 2 <= L) {  // blank line, heading, text
            nUsed += nLines + 2;
            bNext = true;
        } else {
            nPlaced = L - nUsed - 2;  // the text lines that fit below the heading
            nUsed = L;
        }
    }
}

std::vector<SPrintBlock> CTovPrint::LayoutPage(int nPage) const {
    std::vector<SPrintBlock> arrBlocks;
    if (nPage < 1 || nPage > GetPageCount() || m_arrItems.empty()) return arrBlocks;
    const CPrintPageInfo& r = m_arrPages[nPage - 1];
    int nFirst = r.m_nItem;
    int nStart = r.m_nFirstLine;
    int nLast = static_cast<int>(m_arrItems.size()) - 1;
    int nStop = -1;
    if (nPage < GetPageCount()) {
        const CPrintPageInfo& next = m_arrPages[nPage];
        if (next.m_nFirstLine == 0) {
            nLast = next.m_nItem - 1;
        } else {
            nLast = next.m_nItem;
            nStop = next.m_nFirstLine - 1;
        }
    }
    if (nLast < nFirst) nLast = nFirst;

    const int T = TextWidth();
    int nLine = 2;
    for (int i = nFirst; i <= nLast && i < static_cast<int>(m_arrItems.size()); ++i) {
        ++nLine;  // a blank line before each entry
        if (nStart == 0) {
            arrBlocks.push_back(SPrintBlock{i, true, nLine, 0, 1});
            ++nLine;
        }
        int nFrom = std::max(nStart, 1);
        int nCount;
        if (i == nLast && nStop >= 0) {
            nCount = nStop - nFrom + 1;
        } else {
            const QString& str = m_arrTexts[i];
            nCount = m_pMeasurer->CountLines(str.mid(m_pMeasurer->CharsInLines(str, T, nFrom - 1)), T);
        }
        nCount = std::max(nCount, 0);
        arrBlocks.push_back(SPrintBlock{i, false, nLine, nFrom, nCount});
        nLine += nCount;
        // only the first entry can be a continuation; the stop line stays
        // for the last one, also when other entries come before it
        nStart = 0;
    }
    return arrBlocks;
}

void CTovPrint::PrintPage(QPainter& painter, int nPage) {
    if (!m_pMeasurer) return;
    painter.save();
    painter.setPen(QPen(Qt::black, 1));
    const int lh = m_nLineHeight = std::max(1, m_pMeasurer->LineHeight());
    const int nHeaderWidth = m_nPageWidth - m_nMargin;

    // header: path, first line of the folder text, rule
    m_pMeasurer->DrawLines(painter, m_nMargin, 0, nHeaderWidth, m_strPath, 1, true, false);
    m_pMeasurer->DrawLines(painter, m_nMargin, lh, nHeaderWidth, m_strFolderText, 1, false, false);
    painter.drawLine(m_nMargin, 2 * lh, m_nPageWidth, 2 * lh);

    // footer: date left, page number right, rule above
    int y = m_nPageHeight - lh;
    QString strDate = QString::fromUtf8(Cp1252ToUtf8(GetPlatform().FormatTime("%d.%m.%Y")));
    m_pMeasurer->DrawLines(painter, m_nMargin, y, nHeaderWidth, strDate, 1, false, false);
    m_pMeasurer->DrawLines(painter, m_nMargin, y, nHeaderWidth, QStringLiteral("Seite %1").arg(nPage), 1, false, true);
    y = m_nPageHeight - static_cast<int>(lh * 1.1);
    painter.drawLine(m_nMargin, y, m_nPageWidth, y);

    // body
    const int T = TextWidth();
    for (const SPrintBlock& block : LayoutPage(nPage)) {
        if (block.m_bHeading) {
            m_pMeasurer->DrawLines(painter, m_nMargin, block.m_nLine * lh, m_nPageWidth,
                                   Heading(m_arrItems[block.m_nItem]), 1, true, false);
        } else {
            const QString& str = m_arrTexts[block.m_nItem];
            QString strRest = str.mid(m_pMeasurer->CharsInLines(str, T, block.m_nFirstLine - 1));
            m_pMeasurer->DrawLines(painter, m_nMargin + kTextIndent, block.m_nLine * lh, T, strRest, block.m_nLines,
                                   false, false);
        }
    }
    painter.restore();
}

// --- whole jobs ---------------------------------------------------------------------

int PrintFolderPages(QPagedPaintDevice* pDevice, CKnowHow* pService, TRowId nFolder, int nFromPage, int nToPage,
                     bool bReverse) {
    // read before the device is touched: a folder that could not be read
    // leaves no file and no sheet behind
    SPrintFolder folder;
    if (pService) {
        int nRead = ReadPrintFolder(*pService, nFolder, folder);
        if (nRead < 0) return nRead;
    }
    QPainter painter;
    if (!painter.begin(pDevice)) return PRINT_DEVICE_FAILED;
    CTovPrint print;
    int nCount = print.BeginPrinting(pDevice, folder);
    int nFrom = nFromPage > 0 ? nFromPage : 1;
    int nTo = nToPage > 0 ? std::min(nToPage, nCount) : nCount;
    int nPrinted = 0;
    for (int k = 0; k <= nTo - nFrom; ++k) {
        if (k > 0) pDevice->newPage();
        print.PrintPage(painter, bReverse ? nTo - k : nFrom + k);
        ++nPrinted;
    }
    print.EndPrinting();
    return painter.end() ? nPrinted : PRINT_DEVICE_FAILED;
}

void ShowPrintReadFailure(int nResult) {
    if (nResult == PRINT_NO_FOLDER) {
        GetPlatform().MessageBox(EntryDeletedMessage(), "", EMsgIcon::Exclamation, EMsgButtons::Ok);
        return;
    }
    ShowDbFailureReason();
    GetPlatform().MessageBox(Ansi("Der Ordner kann nicht gelesen werden, es wurde nichts gedruckt."), "",
                             EMsgIcon::Exclamation, EMsgButtons::Ok);
}

void SetUpPdfPage(QPdfWriter& writer) {
    writer.setResolution(1200);
    writer.setPageLayout(
        QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(10, 10, 10, 10), QPageLayout::Point));
}
