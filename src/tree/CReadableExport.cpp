#include "tree/CReadableExport.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "db/CDB.h"
#include "platform/Cp1252.h"
#include "table/CFieldCodec.h"
#include "table/CPrepared.h"
#include "tree/CKnowHow.h"
#include "tree/ColumnReads.h"

using namespace tree_reads;

namespace {
// --- the shape ----------------------------------------------------------------------

// One entry of the reading order: all that is held of it before its batch
// is read.
struct SShapeNode {
    TRowId nId;
    std::int32_t nLevel;
};

// The reading order below nFolder (and nFolder itself first when it is not
// the root), read level by level from the four small columns only, the same
// order and the same guard against cycles as the walk below a folder.
// False when a read failed; bFound false when nFolder is no stored entry.
bool ReadShape(CKnowHowTable& table, TRowId nFolder, std::vector<SShapeNode>& arrOrder, bool& bFound) {
    arrOrder.clear();
    bFound = true;
    int nBase = 0;
    if (nFolder != 0) {
        int nRows = 0;
        auto onSelf = [&](const char* const*) { ++nRows; };
        if (ReadColumns(table, "ID", "ID=" + std::to_string(nFolder) + " AND IsAktiv='1'", nullptr, onSelf) < 0)
            return false;
        bFound = nRows == 1;
        if (!bFound) return true;
        arrOrder.push_back({nFolder, 0});
        nBase = 1;
    }
    struct SChild {
        TRowId nId, nMaster;
    };
    std::unordered_map<TRowId, std::vector<TRowId>> mapChildren;
    std::unordered_set<TRowId> setRead{nFolder};
    std::vector<TRowId> arrLevel{nFolder};
    while (!arrLevel.empty()) {
        std::sort(arrLevel.begin(), arrLevel.end());
        std::vector<TRowId> arrNext;
        auto onRow = [&](const char* const* ppCells) {
            SChild child{IdCell(ppCells[0]), IdCell(ppCells[1])};
            if (setRead.insert(child.nId).second) arrNext.push_back(child.nId);
            mapChildren[child.nMaster].push_back(child.nId);
        };
        for (std::size_t i = 0; i < arrLevel.size(); i += kIdsPerStatement)
            if (ReadColumns(table, "ID, MasterID",
                            InList("MasterID", arrLevel, i, kIdsPerStatement) + " AND IsAktiv='1'", "PosNr", onRow) < 0)
                return false;
        arrLevel = std::move(arrNext);
    }
    std::unordered_set<TRowId> setSeen{nFolder};
    std::vector<SShapeNode> arrStack;
    auto pushChildren = [&](TRowId nId, std::int32_t nLevel) {
        auto it = mapChildren.find(nId);
        if (it == mapChildren.end()) return;
        for (auto child = it->second.rbegin(); child != it->second.rend(); ++child)
            arrStack.push_back({*child, nLevel});
    };
    pushChildren(nFolder, nBase);
    while (!arrStack.empty()) {
        SShapeNode node = arrStack.back();
        arrStack.pop_back();
        arrOrder.push_back(node);
        if (mapChildren.count(node.nId) && setSeen.insert(node.nId).second) pushChildren(node.nId, node.nLevel + 1);
    }
    return true;
}

// --- text ---------------------------------------------------------------------------

// Line ends as LF only: CR LF and a lone CR each become one LF.
std::string UnixLines(const std::string& str) {
    std::string out;
    out.reserve(str.size());
    for (std::size_t i = 0; i < str.size(); ++i) {
        if (str[i] == '\r') {
            out += '\n';
            if (i + 1 < str.size() && str[i + 1] == '\n') ++i;
        } else {
            out += str[i];
        }
    }
    return out;
}

// The lines of a text (Windows-1252) as UTF-8; a final line break ends the
// last line rather than starting an empty one.
std::vector<std::string> TextLines(const std::string& strText) {
    std::vector<std::string> arr;
    if (strText.empty()) return arr;
    std::string str = Cp1252ToUtf8(UnixLines(strText));
    std::size_t nStart = 0;
    while (nStart <= str.size()) {
        std::size_t nEnd = str.find('\n', nStart);
        if (nEnd == std::string::npos) {
            if (nStart < str.size()) arr.push_back(str.substr(nStart));
            break;
        }
        arr.push_back(str.substr(nStart, nEnd - nStart));
        nStart = nEnd + 1;
    }
    return arr;
}

// Control characters other than tab have no place in HTML; they show as
// the replacement character.
void AppendVisible(std::string& out, char c) {
    if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n')
        out += "\xEF\xBF\xBD";
    else
        out += c;
}

std::string HtmlEscape(const std::string& strUtf8) {
    std::string out;
    out.reserve(strUtf8.size() + 16);
    for (char c : strUtf8) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default: AppendVisible(out, c);
        }
    }
    return out;
}

// What each Windows-1252 byte of a text becomes in a document: its UTF-8
// form, or an escape. Built once per kind; a text is then written in runs
// of bytes that stand for themselves.
struct SByteTable {
    std::string arrOut[256];
    bool arrPlain[256] = {};
};

const SByteTable& BodyTable(bool bHtml) {
    auto make = [](bool bEscapeHtml) {
        SByteTable t;
        for (int c = 0; c < 256; ++c) {
            std::string strUtf8 = Cp1252ToUtf8(std::string(1, static_cast<char>(c)));
            t.arrOut[c] = strUtf8;
            t.arrPlain[c] = c >= 0x20 && c < 0x80;
        }
        t.arrPlain['\t'] = true;
        for (int c = 0; c < 0x20; ++c)
            if (c != '\t' && bEscapeHtml) t.arrOut[c] = "\xEF\xBF\xBD";
        if (bEscapeHtml) {
            for (auto [c, psz] :
                 {std::pair{'&', "&amp;"}, {'<', "&lt;"}, {'>', "&gt;"}, {'"', "&quot;"}, {'\'', "&#39;"}}) {
                t.arrOut[static_cast<unsigned char>(c)] = psz;
                t.arrPlain[static_cast<unsigned char>(c)] = false;
            }
        }
        return t;
    };
    static const SByteTable s_html = make(true), s_text = make(false);
    return bHtml ? s_html : s_text;
}

// A text (Windows-1252) appended as a document shows it: every line end
// (CR LF, CR, LF) as strLineBreak, one final line end left off.
void AppendBody(std::string& out, const std::string& strText, const SByteTable& table,
                const std::string& strLineBreak) {
    std::size_t n = strText.size();
    if (n > 0 && strText[n - 1] == '\n') --n;
    if (n > 0 && strText[n - 1] == '\r') --n;
    const char* p = strText.data();
    std::size_t i = 0;
    while (i < n) {
        std::size_t nRun = i;
        while (nRun < n && table.arrPlain[static_cast<unsigned char>(p[nRun])]) ++nRun;
        out.append(p + i, nRun - i);
        if (nRun >= n) break;
        unsigned char c = static_cast<unsigned char>(p[nRun]);
        if (c == '\r' || c == '\n') {
            out += strLineBreak;
            if (c == '\r' && nRun + 1 < n && p[nRun + 1] == '\n') ++nRun;
        } else {
            out += table.arrOut[c];
        }
        i = nRun + 1;
    }
}

// Inline text that CommonMark must take literally: every character that
// can open or close markup is escaped with a backslash (an escaped
// punctuation character always stands for itself).
std::string MarkdownInline(const std::string& strUtf8) {
    std::string out;
    out.reserve(strUtf8.size() + 16);
    for (char c : strUtf8) {
        switch (c) {
            case '\\':
            case '`':
            case '*':
            case '_':
            case '[':
            case ']':
            case '<':
            case '>':
            case '&':
            case '#':
            case '~':
            case '|':
            case '!':
                out += '\\';
                out += c;
                break;
            default: AppendVisible(out, c);
        }
    }
    return out;
}

// One line of a text in Markdown: besides the inline escapes, what would
// make the line a block of its own (a list item, a heading underline, a
// thematic break, a numbered item) is escaped, and leading blanks (an
// indented code block) become no-break spaces.
std::string MarkdownTextLine(const std::string& strLine) {
    std::string strLead;
    std::size_t i = 0;
    for (; i < strLine.size() && (strLine[i] == ' ' || strLine[i] == '\t'); ++i)
        for (int k = strLine[i] == '\t' ? 4 : 1; k > 0; --k) strLead += "\xC2\xA0";
    std::string strRest = strLine.substr(i);
    if (strRest.empty()) return strLead;
    std::string strPrefix;
    char c = strRest[0];
    if (c == '-' || c == '+' || c == '=') {
        strPrefix = std::string("\\") + c;
        strRest.erase(0, 1);
    } else {
        std::size_t nDigits = strRest.find_first_not_of("0123456789");
        if (nDigits != std::string::npos && nDigits > 0 && nDigits <= 9 &&
            (strRest[nDigits] == '.' || strRest[nDigits] == ')')) {
            strPrefix = strRest.substr(0, nDigits) + "\\" + strRest[nDigits];
            strRest.erase(0, nDigits + 1);
        }
    }
    return strLead + strPrefix + MarkdownInline(strRest);
}

std::string Trimmed(const std::string& str) {
    std::size_t nFirst = str.find_first_not_of(" \t");
    if (nFirst == std::string::npos) return std::string();
    return str.substr(nFirst, str.find_last_not_of(" \t") + 1 - nFirst);
}

bool StartsWithNoCase(const std::string& str, const char* pszPrefix) {
    std::size_t n = std::char_traits<char>::length(pszPrefix);
    if (str.size() < n) return false;
    for (std::size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(str[i])) != pszPrefix[i]) return false;
    return true;
}

// Every byte but the unreserved characters and those in strKeep as %XX.
std::string PercentEncode(const std::string& strUtf8, const char* pszKeep) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : strUtf8) {
        bool bKeep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                     c == '.' || c == '_' || c == '~' || (c != 0 && std::strchr(pszKeep, c) != nullptr);
        if (bKeep) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        }
    }
    return out;
}

// The characters a URL of the user's may keep as written: everything
// printable but blanks, quotes, angle brackets and the parentheses a
// Markdown link would end at.
std::string EncodeGivenUrl(const std::string& strUtf8) {
    std::string out;
    static const char kHex[] = "0123456789ABCDEF";
    for (unsigned char c : strUtf8) {
        if (c <= 0x20 || c == 0x7F || c == '"' || c == '<' || c == '>' || c == '(' || c == ')' || c == '`' ||
            c == '\\') {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

bool IsMailAddress(const std::string& str) {
    std::size_t nAt = str.find('@');
    if (nAt == std::string::npos || nAt == 0 || str.find('@', nAt + 1) != std::string::npos) return false;
    for (char c : str)
        if (c == ' ' || c == '\t' || c == '/' || c == '\\' || c == ':') return false;
    std::string strDomain = str.substr(nAt + 1);
    std::size_t nDot = strDomain.find('.', 1);
    return nDot != std::string::npos && nDot + 1 < strDomain.size();
}

// "name:" with a name of two or more characters (one letter and a colon is
// a drive).
std::string SchemeOf(const std::string& str) {
    if (str.empty() || !std::isalpha(static_cast<unsigned char>(str[0]))) return std::string();
    std::size_t i = 1;
    while (i < str.size() &&
           (std::isalnum(static_cast<unsigned char>(str[i])) || str[i] == '+' || str[i] == '.' || str[i] == '-'))
        ++i;
    if (i < 2 || i >= str.size() || str[i] != ':') return std::string();
    std::string strScheme = str.substr(0, i);
    for (char& c : strScheme) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return strScheme;
}

// --- output -------------------------------------------------------------------------

// Buffered writes onto a stream; the first failure is remembered.
class COut {
public:
    explicit COut(std::FILE* pFile) : m_pFile(pFile) { m_strBuffer.reserve(kFlushAt + 4096); }
    COut& operator<<(const std::string& str) {
        m_strBuffer += str;
        if (m_strBuffer.size() >= kFlushAt) Flush();
        return *this;
    }
    COut& operator<<(const char* psz) {
        m_strBuffer += psz;
        return *this;
    }
    // The buffer to append to directly; Flush after.
    std::string& Buffer() { return m_strBuffer; }
    void FlushIfFull() {
        if (m_strBuffer.size() >= kFlushAt) Flush();
    }
    bool Finish() {
        Flush();
        if (std::fflush(m_pFile) != 0) m_bFailed = true;
        return !m_bFailed && !std::ferror(m_pFile);
    }

private:
    static constexpr std::size_t kFlushAt = 1 << 16;
    void Flush() {
        if (!m_strBuffer.empty() &&
            std::fwrite(m_strBuffer.data(), 1, m_strBuffer.size(), m_pFile) != m_strBuffer.size())
            m_bFailed = true;
        m_strBuffer.clear();
    }
    std::FILE* m_pFile;
    std::string m_strBuffer;
    bool m_bFailed = false;
};

const char* const kHtmlStyle =
    "body{font-family:sans-serif;line-height:1.45;max-width:48em;margin:0 auto;padding:1em;color:#111;"
    "background:#fff}\n"
    "h1{font-size:1.6em}h2{font-size:1.35em}h3{font-size:1.2em}h4,h5,h6{font-size:1.05em}\n"
    "h1,h2,h3,h4,h5,h6{margin:1.2em 0 .3em;overflow-wrap:anywhere}\n"
    "section section{margin-left:1em}\n"
    ".text{white-space:pre-wrap;overflow-wrap:anywhere;margin:0 0 .6em}\n"
    ".link{margin:0 0 .6em;overflow-wrap:anywhere}\n"
    "nav ul{padding-left:1.2em}nav li{margin:.1em 0}\n"
    "@media (max-width:40em){body{padding:.6em}section section{margin-left:.5em}}\n"
    "@media print{body{max-width:none;padding:0}nav{page-break-after:always}a{color:inherit}"
    "h1,h2,h3,h4,h5,h6{page-break-after:avoid}}\n";

// Heading levels: the title is level 1, the top entries level 2, and the
// deepest that a document has is 6.
constexpr int kDeepestHeading = 6;
constexpr int kFirstDeepLevel = kDeepestHeading - 2;

// Writes the document as the entries come in reading order.
class CDocumentWriter {
public:
    CDocumentWriter(COut& out, EReadableFormat eFormat) : m_out(out), m_eFormat(eFormat) {}

    void Begin(const std::string& strTitleUtf8) {
        switch (m_eFormat) {
            case EReadableFormat::Html:
                m_out << "<!DOCTYPE html>\n<html lang=\"de\">\n<head>\n<meta charset=\"utf-8\">\n"
                         "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>"
                      << HtmlEscape(strTitleUtf8) << "</title>\n<style>\n"
                      << kHtmlStyle << "</style>\n</head>\n<body>\n<h1>" << HtmlEscape(strTitleUtf8) << "</h1>\n";
                break;
            case EReadableFormat::Markdown: m_out << "# " << MarkdownInline(strTitleUtf8) << "\n"; break;
            case EReadableFormat::Text: {
                std::size_t nChars = 0;
                for (unsigned char c : strTitleUtf8) nChars += (c & 0xC0) != 0x80;
                m_out << strTitleUtf8 << "\n" << std::string(std::max<std::size_t>(nChars, 1), '=') << "\n";
                break;
            }
        }
    }

    // The table of contents (HTML only): one call per entry in reading order.
    void BeginContents() { m_out << "<nav>\n<h2>Inhalt</h2>\n"; }
    void ContentsItem(TRowId nId, int nLevel, const std::string& strNameUtf8) {
        if (m_nTocDepth == 0) {
            m_nTocBase = nLevel;
        } else if (nLevel < m_nTocBase) {
            nLevel = m_nTocBase;
        }
        int nDepth = nLevel - m_nTocBase + 1;
        if (nDepth > m_nTocDepth) {
            for (; m_nTocDepth < nDepth; ++m_nTocDepth) m_out << (m_nTocDepth == 0 ? "<ul>\n" : "\n<ul>\n");
        } else {
            m_out << "</li>\n";
            for (; m_nTocDepth > nDepth; --m_nTocDepth) m_out << "</ul>\n</li>\n";
        }
        m_out << "<li><a href=\"#e" << std::to_string(nId) << "\">" << HtmlEscape(strNameUtf8) << "</a>";
    }
    void EndContents() {
        for (; m_nTocDepth > 0; --m_nTocDepth) m_out << "</li>\n</ul>\n";
        m_out << "</nav>\n<main>\n";
    }

    void Entry(const CKnowHowItem& item, int nLevel) {
        std::string strName = DisplayName(item.Name);
        // the keywords of the entries above that share the deepest heading
        // go into its text, so that a deep entry still says where it stands
        m_arrNames.resize(static_cast<std::size_t>(std::max(nLevel, 0)));
        m_arrNames.push_back(strName);
        std::string strHeading = strName;
        if (nLevel > kFirstDeepLevel) {
            strHeading.clear();
            for (std::size_t i = kFirstDeepLevel; i < m_arrNames.size(); ++i)
                strHeading += (strHeading.empty() ? "" : " \\ ") + m_arrNames[i];
        }
        int nHeading = std::min(nLevel + 2, kDeepestHeading);
        // only Markdown looks at each line on its own
        std::vector<std::string> arrLines;
        if (m_eFormat == EReadableFormat::Markdown) arrLines = TextLines(item.Text);
        std::string strLink = Cp1252ToUtf8(Trimmed(KeywordOnOneLine(item.Link)));
        switch (m_eFormat) {
            case EReadableFormat::Html: HtmlEntry(item, nLevel, nHeading, strHeading, strLink); break;
            case EReadableFormat::Markdown: MarkdownEntry(item, nHeading, strHeading, arrLines, strLink); break;
            case EReadableFormat::Text: TextEntry(item, nLevel, strName, strLink); break;
        }
    }

    void End() {
        if (m_eFormat != EReadableFormat::Html) return;
        for (; !m_arrOpen.empty(); m_arrOpen.pop_back()) m_out << "</section>\n";
        m_out << "</main>\n</body>\n</html>\n";
    }

    // A keyword as a document shows it: on one line, UTF-8, never empty.
    static std::string DisplayName(const std::string& strAnsi) {
        std::string str = Cp1252ToUtf8(KeywordOnOneLine(strAnsi));
        if (Trimmed(str).empty()) return "(ohne Stichwort)";
        return str;
    }

private:
    void HtmlEntry(const CKnowHowItem& item, int nLevel, int nHeading, const std::string& strHeading,
                   const std::string& strLink) {
        while (!m_arrOpen.empty() && m_arrOpen.back() >= nLevel) {
            m_out << "</section>\n";
            m_arrOpen.pop_back();
        }
        m_arrOpen.push_back(nLevel);
        std::string strH = std::to_string(nHeading);
        m_out << "<section id=\"e" << std::to_string(item.ID) << "\" class=\"" << (item.IsDir ? "folder" : "entry")
              << "\">\n<h" << strH << ">" << HtmlEscape(strHeading) << "</h" << strH << ">\n";
        if (!item.Text.empty()) {
            m_out << "<p class=\"text\">";
            AppendBody(m_out.Buffer(), item.Text, BodyTable(true), "\n");
            m_out << "</p>\n";
            m_out.FlushIfFull();
        }
        if (!strLink.empty()) {
            std::string strUrl = LinkUrl(item.Link);
            m_out << "<p class=\"link\">Verknüpfung: ";
            if (strUrl.empty())
                m_out << HtmlEscape(strLink);
            else
                m_out << "<a href=\"" << HtmlEscape(strUrl) << "\">" << HtmlEscape(strLink) << "</a>";
            m_out << "</p>\n";
        }
    }

    void MarkdownEntry(const CKnowHowItem& item, int nHeading, const std::string& strHeading,
                       const std::vector<std::string>& arrLines, const std::string& strLink) {
        m_out << "\n"
              << std::string(static_cast<std::size_t>(nHeading), '#') << " " << MarkdownInline(strHeading) << "\n";
        // a line break inside a paragraph stays one (a backslash before it);
        // an empty line starts the next paragraph
        bool bOpen = false;
        for (std::size_t i = 0; i < arrLines.size(); ++i) {
            std::string strLine = MarkdownTextLine(arrLines[i]);
            bool bBlank = Trimmed(arrLines[i]).empty();
            if (bBlank) {
                if (bOpen) m_out << "\n";
                bOpen = false;
                continue;
            }
            m_out << (bOpen ? "\\\n" : "\n") << strLine;
            bOpen = true;
        }
        if (bOpen) m_out << "\n";
        if (!strLink.empty()) {
            std::string strUrl = LinkUrl(item.Link);
            m_out << "\nVerknüpfung: ";
            if (strUrl.empty())
                m_out << MarkdownInline(strLink);
            else
                m_out << "[" << MarkdownInline(strLink) << "](" << strUrl << ")";
            m_out << "\n";
        }
    }

    void TextEntry(const CKnowHowItem& item, int nLevel, const std::string& strName, const std::string& strLink) {
        // an entry starts after an empty line, and none of its own lines is
        // empty (they carry the indentation), so a reader finds the keywords
        std::string strIndent(2 * static_cast<std::size_t>(std::max(nLevel, 0)), ' ');
        std::string strInner = strIndent + "  ";
        m_out << "\n" << strIndent << (item.IsDir ? "+ " : "- ") << strName << "\n";
        if (!item.Text.empty()) {
            m_out << strInner;
            AppendBody(m_out.Buffer(), item.Text, BodyTable(false), "\n" + strInner);
            m_out << "\n";
            m_out.FlushIfFull();
        }
        if (!strLink.empty()) m_out << strInner << "Verknüpfung: " << strLink << "\n";
    }

    COut& m_out;
    EReadableFormat m_eFormat;
    std::vector<int> m_arrOpen;           // levels of the open sections (HTML)
    std::vector<std::string> m_arrNames;  // the keywords on the way down to the entry
    int m_nTocDepth = 0, m_nTocBase = 0;
};

EReadableResult WriteDocument(CKnowHow& service, EReadableFormat eFormat, std::FILE* pFile, TRowId nFolder) {
    CKnowHowTable& table = service.GetTable();
    GetDatabase().ClearLastError();
    std::vector<SShapeNode> arrOrder;
    bool bFound = true;
    auto readFailed = [] {
        ShowDbFailureReason();
        return EReadableResult::ReadFailed;
    };
    if (!ReadShape(table, nFolder, arrOrder, bFound)) return readFailed();
    if (!bFound) return EReadableResult::NoSuchFolder;

    std::string strTitle = "Hauptordner";
    if (nFolder != 0) {
        std::vector<std::string> arrPaths;
        if (!service.GetPaths({nFolder}, arrPaths)) return readFailed();
        strTitle = CDocumentWriter::DisplayName(arrPaths.front());
    }

    COut out(pFile);
    CDocumentWriter writer(out, eFormat);
    writer.Begin(strTitle);

    std::vector<TRowId> arrIds;
    arrIds.reserve(CReadableExport::kBatch);
    auto batchIds = [&](std::size_t nFirst) {
        arrIds.clear();
        for (std::size_t i = nFirst; i < arrOrder.size() && i < nFirst + CReadableExport::kBatch; ++i)
            arrIds.push_back(arrOrder[i].nId);
        std::sort(arrIds.begin(), arrIds.end());
    };

    if (eFormat == EReadableFormat::Html) {
        writer.BeginContents();
        std::unordered_map<TRowId, std::string> mapNames;
        std::string strName;
        for (std::size_t nFirst = 0; nFirst < arrOrder.size(); nFirst += CReadableExport::kBatch) {
            batchIds(nFirst);
            mapNames.clear();
            auto onRow = [&](const char* const* ppCells) {
                DecryptFieldInto(ppCells[1] ? ppCells[1] : "", strName);
                mapNames[IdCell(ppCells[0])] = strName;
            };
            if (ReadColumns(table, "ID, Name", "IsAktiv='1' AND " + InList("ID", arrIds, 0, arrIds.size()), nullptr,
                            onRow) < 0)
                return readFailed();
            std::size_t nEnd = std::min(arrOrder.size(), nFirst + CReadableExport::kBatch);
            for (std::size_t i = nFirst; i < nEnd; ++i) {
                auto it = mapNames.find(arrOrder[i].nId);
                // an entry deleted meanwhile is left out
                if (it != mapNames.end())
                    writer.ContentsItem(arrOrder[i].nId, arrOrder[i].nLevel, CDocumentWriter::DisplayName(it->second));
            }
        }
        writer.EndContents();
    }

    // one compiled statement for every batch, the IDs bound (0, which no
    // row has, fills the last one); the texts are read with their length
    std::string strSql = "SELECT ID, IsDir, Name, Text, Link FROM KnowHow WHERE IsAktiv='1' AND ID IN (";
    for (std::size_t i = 0; i < CReadableExport::kBatch; ++i) strSql += i ? ",?" : "?";
    CPrepared select(strSql + ");");
    CKnowHowArray arrItems;
    std::unordered_map<TRowId, std::size_t> mapIndex;
    auto readCell = [](sqlite3_stmt* p, int nCol, std::string& str) {
        const char* pCell = static_cast<const char*>(sqlite3_column_blob(p, nCol));
        DecryptFieldInto(pCell ? pCell : "", static_cast<std::size_t>(sqlite3_column_bytes(p, nCol)), str);
    };
    for (std::size_t nFirst = 0; nFirst < arrOrder.size(); nFirst += CReadableExport::kBatch) {
        batchIds(nFirst);
        arrItems.clear();
        bool bRead = select.Run(
            [&](sqlite3_stmt* p) {
                for (std::size_t i = 0; i < CReadableExport::kBatch; ++i)
                    sqlite3_bind_int64(p, static_cast<int>(i) + 1, i < arrIds.size() ? arrIds[i] : 0);
            },
            [&](sqlite3_stmt* p) {
                CKnowHowItem& item = arrItems.emplace_back();
                item.ID = sqlite3_column_int64(p, 0);
                item.IsDir = sqlite3_column_int(p, 1) != 0 ? 1 : 0;
                readCell(p, 2, item.Name);
                readCell(p, 3, item.Text);
                readCell(p, 4, item.Link);
            });
        if (!bRead) return readFailed();
        mapIndex.clear();
        for (std::size_t i = 0; i < arrItems.size(); ++i) mapIndex[arrItems[i].ID] = i;
        std::size_t nEnd = std::min(arrOrder.size(), nFirst + CReadableExport::kBatch);
        for (std::size_t i = nFirst; i < nEnd; ++i) {
            auto it = mapIndex.find(arrOrder[i].nId);
            if (it != mapIndex.end()) writer.Entry(arrItems[it->second], arrOrder[i].nLevel);
        }
    }
    writer.End();
    return out.Finish() ? EReadableResult::Written : EReadableResult::WriteFailed;
}
}  // namespace

EReadableResult CReadableExport::Write(std::FILE* pFile, TRowId nFolder) {
    return WriteDocument(m_service, m_eFormat, pFile, nFolder);
}

EReadableResult CReadableExport::Write(const std::string& strPath, TRowId nFolder) {
    // beside the target, so that the rename stays on its file system
    std::string strTemp = strPath + ".XXXXXX";
    int fd = ::mkstemp(strTemp.data());
    if (fd < 0) return EReadableResult::WriteFailed;
    // a document to pass on: the permissions a new file gets, not mkstemp's
    mode_t nMask = ::umask(0);
    ::umask(nMask);
    (void)::fchmod(fd, 0666 & ~nMask);
    std::FILE* pFile = ::fdopen(fd, "wb");
    if (!pFile) {
        ::close(fd);
        std::remove(strTemp.c_str());
        return EReadableResult::WriteFailed;
    }
    EReadableResult eResult = WriteDocument(m_service, m_eFormat, pFile, nFolder);
    if (std::fclose(pFile) != 0 && eResult == EReadableResult::Written) eResult = EReadableResult::WriteFailed;
    if (eResult == EReadableResult::Written && std::rename(strTemp.c_str(), strPath.c_str()) != 0)
        eResult = EReadableResult::WriteFailed;
    if (eResult != EReadableResult::Written) std::remove(strTemp.c_str());
    return eResult;
}

bool ParseReadableFormat(const std::string& strName, EReadableFormat& eFormat) {
    if (strName == "html")
        eFormat = EReadableFormat::Html;
    else if (strName == "markdown")
        eFormat = EReadableFormat::Markdown;
    else if (strName == "text")
        eFormat = EReadableFormat::Text;
    else
        return false;
    return true;
}

const char* ReadableFormatExtension(EReadableFormat eFormat) {
    switch (eFormat) {
        case EReadableFormat::Html: return "html";
        case EReadableFormat::Markdown: return "md";
        case EReadableFormat::Text: return "txt";
    }
    return "txt";
}

std::string UnencryptedExportNote() {
    return Ansi(
        "Die Datenbank ist geschützt, die Stichwörter, Texte und Verknüpfungen werden aber unverschlüsselt in die "
        "Datei geschrieben.");
}

std::string UnencryptedExportQuestion() {
    return UnencryptedExportNote() + Ansi("\n\nTrotzdem exportieren?");
}

std::string LinkUrl(const std::string& strLink) {
    std::string str = Cp1252ToUtf8(Trimmed(KeywordOnOneLine(strLink)));
    if (str.empty()) return std::string();
    // what the desktop opens as a web address
    if (StartsWithNoCase(str, "www.")) return "http://" + EncodeGivenUrl(str);
    if (IsMailAddress(str)) return "mailto:" + EncodeGivenUrl(str);
    std::string strScheme = SchemeOf(str);
    if (!strScheme.empty()) {
        // a document without scripts gets none through its links
        if (strScheme == "javascript" || strScheme == "vbscript" || strScheme == "data") return std::string();
        return EncodeGivenUrl(str);
    }
    // file paths: a drive, a network share, an absolute or a relative path
    if (str.size() >= 2 && std::isalpha(static_cast<unsigned char>(str[0])) && str[1] == ':') {
        std::string strPath = str;
        std::replace(strPath.begin(), strPath.end(), '\\', '/');
        return "file:///" + strPath.substr(0, 2) + PercentEncode(strPath.substr(2), "/");
    }
    if (str.rfind("\\\\", 0) == 0) {
        std::string strPath = str.substr(2);
        std::replace(strPath.begin(), strPath.end(), '\\', '/');
        return "file://" + PercentEncode(strPath, "/");
    }
    if (str[0] == '/') return "file://" + PercentEncode(str, "/");
    // relative to the document; a colon would read as a scheme
    return PercentEncode(str, "/");
}
