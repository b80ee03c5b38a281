#pragma once
// The page layout of one folder's entries for printing and print preview: a
// header with the folder's path and text, every direct child as a bold
// heading with its text below, and a footer with the date and page number.
// Long texts continue on the next page without repeating their heading.
//
// Positions are device pixels of the paint device, y growing downwards; the
// same code draws printer, PDF and preview pages.

#include <QFont>
#include <QString>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "table/CKnowHowItem.h"

class CKnowHow;
class QPagedPaintDevice;
class QPdfWriter;
class QPainter;
class QPaintDevice;
class QRect;

// Measures and draws text blocks. The page asks it how many lines a text
// takes and draws exactly those lines, so measuring and drawing must break
// lines the same way.
class CPrintMeasurer {
public:
    virtual ~CPrintMeasurer() = default;
    // Height of one line of the normal font, in device pixels (at least 1).
    virtual int LineHeight() = 0;
    // Lines the text takes in the normal font at the width (0 for "").
    virtual int CountLines(const QString& strText, int nWidth) = 0;
    // Characters held by the first nLines lines at the width (all of them
    // when the text has no more lines).
    virtual int CharsInLines(const QString& strText, int nWidth, int nLines) = 0;
    // Draws the first nLines lines of the text into the box (x, y, width),
    // one line height apart, clipped to the box, every character literally.
    virtual void DrawLines(QPainter& painter, int nX, int nY, int nWidth, const QString& strText, int nLines,
                           bool bBold, bool bAlignRight) = 0;
};

// The measurer on the fonts of a paint device: QTextLayout with word wrap
// (a word wider than the line breaks anywhere) and tab stops every two
// average character widths, for measuring and drawing alike.
class CDevicePrintMeasurer : public CPrintMeasurer {
public:
    explicit CDevicePrintMeasurer(QPaintDevice* pDevice);
    int LineHeight() override;
    int CountLines(const QString& strText, int nWidth) override;
    int CharsInLines(const QString& strText, int nWidth, int nLines) override;
    void DrawLines(QPainter& painter, int nX, int nY, int nWidth, const QString& strText, int nLines, bool bBold,
                   bool bAlignRight) override;

    const QFont& NormalFont() const { return m_fontNormal; }
    const QFont& BoldFont() const { return m_fontBold; }

private:
    QPaintDevice* m_pDevice;
    QFont m_fontNormal;
    QFont m_fontBold;
    int m_nLineHeight = 1;
    qreal m_dTabStop = 0;  // in the layout's units
};

// One record per page: where the page begins.
struct CPrintPageInfo {
    int m_nItem = 0;       // index of the first entry printed on the page
    int m_nFirstLine = 0;  // 0: the page begins with its heading; n >= 1: with its text line n
};

// One block of a page's body, as the page draws it.
struct SPrintBlock {
    int m_nItem = 0;
    bool m_bHeading = false;
    int m_nLine = 0;       // vertical position in lines from the top of the page
    int m_nFirstLine = 1;  // text blocks: the item's first text line drawn (from 1)
    int m_nLines = 0;      // lines drawn
};

// What a print of a folder shows: its direct children, its path and text.
struct SPrintFolder {
    CKnowHowArray arrItems;
    std::string strPath;
    std::string strText;
};

// PrintFolderPages and ReadPrintFolder answer these instead of a page count.
inline constexpr int PRINT_DEVICE_FAILED = -1;  // the device cannot be painted on
inline constexpr int PRINT_READ_FAILED = -2;    // the folder could not be read: nothing was printed
inline constexpr int PRINT_NO_FOLDER = -3;      // the folder does not exist (any more)

// Reads the folder for a print; 0 when all of it was read.
int ReadPrintFolder(CKnowHow& service, TRowId nFolder, SPrintFolder& folder);
// Tells the user why ReadPrintFolder's answer nResult printed nothing.
void ShowPrintReadFailure(int nResult);

class CTovPrint {
public:
    CTovPrint() = default;
    virtual ~CTovPrint() = default;

    // Starts a job on the device for the folder: sets up, reads the folder's
    // children, path and text from the service and paginates. A folder that
    // cannot be read prints as an empty folder. Answers the number of pages.
    int BeginPrinting(QPagedPaintDevice* pDevice, CKnowHow* pService, TRowId nFolder);
    // The same for a folder read already.
    int BeginPrinting(QPagedPaintDevice* pDevice, const SPrintFolder& folder);
    // The same with a given measurer, page size (device pixels), vertical
    // resolution and content.
    int BeginPrinting(std::unique_ptr<CPrintMeasurer> pMeasurer, int nPageWidth, int nPageHeight, int nDpiY,
                      const CKnowHowArray& arrItems, const std::string& strPath, const std::string& strFolderText);
    // Draws page nPage (from 1).
    void PrintPage(QPainter& painter, int nPage);
    // Ends the job and empties everything it held.
    void EndPrinting();

    int GetPageCount() const { return static_cast<int>(m_arrPages.size()); }
    const std::vector<CPrintPageInfo>& GetPages() const { return m_arrPages; }
    // The body of page nPage (from 1) as it is drawn.
    std::vector<SPrintBlock> LayoutPage(int nPage) const;
    // Body lines per page and the width of entry texts.
    int BodyLines() const { return m_nBodyLines; }
    int TextWidth() const;
    int LineHeight() const { return m_nLineHeight; }
    int Margin() const { return m_nMargin; }
    // The heading of an item: "\" for a folder, the keyword and a colon.
    static QString Heading(const CKnowHowItem& item);
    // A Windows-1252 text for the page, line ends as line separators.
    static QString PrintText(const std::string& strAnsi);

    static constexpr int kTextIndent = 100;
    static constexpr int kPointSize = 12;

private:
    void Paginate();

    std::unique_ptr<CPrintMeasurer> m_pMeasurer;
    int m_nLineHeight = 1;
    int m_nPageWidth = 0;
    int m_nPageHeight = 0;
    int m_nMargin = 0;
    int m_nBodyLines = 0;
    CKnowHowArray m_arrItems;
    std::vector<QString> m_arrTexts;  // the items' texts, converted once
    QString m_strPath;
    QString m_strFolderText;
    std::vector<CPrintPageInfo> m_arrPages;
};

// Prints pages nFromPage..nToPage (from 1; 0 for the first or last page) of
// the folder onto the device, each on a sheet of its own, the last first when
// asked. Answers the number of pages printed, or one of the PRINT_ codes: the
// folder is read first, so nothing is painted when it cannot be.
int PrintFolderPages(QPagedPaintDevice* pDevice, CKnowHow* pService, TRowId nFolder, int nFromPage = 0, int nToPage = 0,
                     bool bReverse = false);
// The page set-up of the print dialog's PDF output: A4 portrait, 1200 dpi,
// margins of 10 points; without a display the same pages come out.
void SetUpPdfPage(QPdfWriter& writer);
