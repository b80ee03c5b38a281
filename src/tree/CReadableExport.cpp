#include "tree/CReadableExport.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
// is read (and, for a table of contents, where its keyword is kept).
struct SShapeNode {
    TRowId nId;
    std::int32_t nLevel;
    std::uint32_t nNameAt = 0, nNameLength = 0;
};

// A cell with its length: NUL bytes stay.
void ReadCell(sqlite3_stmt* p, int nCol, std::string& str) {
    const char* pCell = static_cast<const char*>(sqlite3_column_blob(p, nCol));
    DecryptFieldInto(pCell ? pCell : "", static_cast<std::size_t>(sqlite3_column_bytes(p, nCol)), str);
}

// The reading order below nFolder (and nFolder itself first when it is not
// the root), read from the small columns only (level by level below a
// folder), the same order and the same guard against cycles as the walk
// below a folder.
// With pstrNames the keywords come along, one after the other, for a table
// of contents: they cost a few bytes per entry, a pass of their own would
// read the whole table again. False when a read failed; bFound false when
// nFolder is no stored entry.
bool ReadShape(TRowId nFolder, std::vector<SShapeNode>& arrOrder, std::string* pstrNames, bool& bFound) {
    arrOrder.clear();
    if (pstrNames) pstrNames->clear();
    bFound = true;
    std::string strName;
    auto keepName = [&](sqlite3_stmt* p, int nCol, SShapeNode& node) {
        if (!pstrNames) return;
        ReadCell(p, nCol, strName);
        node.nNameAt = static_cast<std::uint32_t>(pstrNames->size());
        node.nNameLength = static_cast<std::uint32_t>(strName.size());
        *pstrNames += strName;
    };
    const char* pszName = pstrNames ? ", Name" : "";
    int nBase = 0;
    if (nFolder != 0) {
        SShapeNode self{nFolder, 0};
        int nRows = 0;
        CPrepared selectSelf(std::string("SELECT ID") + pszName + " FROM KnowHow WHERE ID=? AND IsAktiv='1';");
        if (!selectSelf.Run([&](sqlite3_stmt* p) { sqlite3_bind_int64(p, 1, nFolder); },
                            [&](sqlite3_stmt* p) {
                                if (nRows++ == 0) keepName(p, 1, self);
                            }))
            return false;
        bFound = nRows == 1;
        if (!bFound) return true;
        arrOrder.push_back(self);
        nBase = 1;
    }
    // the children of each folder in order, with their keywords' places
    std::unordered_map<TRowId, std::vector<SShapeNode>> mapChildren;
    auto onChild = [&](sqlite3_stmt* p) {
        SShapeNode child{static_cast<TRowId>(sqlite3_column_int64(p, 0)), 0};
        keepName(p, 2, child);
        mapChildren[static_cast<TRowId>(sqlite3_column_int64(p, 1))].push_back(child);
        return child.nId;
    };
    std::unordered_set<TRowId> setRead{nFolder};
    std::vector<TRowId> arrLevel{nFolder};
    if (nFolder == 0) {
        // the whole base: one pass through the table in its own order reads
        // every page once, where the levels would look each row up on its
        // own; the rows out of reach of the root stay unwalked below. The
        // unary plus keeps the MasterID index out, so the order of equal
        // positions is the rows' order, as in the level reads.
        CPrepared select(std::string("SELECT ID, MasterID") + pszName +
                         " FROM KnowHow WHERE IsAktiv='1' ORDER BY +MasterID, PosNr;");
        // a folder reference that is no number (NULL, text) names no folder,
        // as in the level reads
        auto onRow = [&](sqlite3_stmt* p) {
            if (sqlite3_column_type(p, 1) == SQLITE_INTEGER) onChild(p);
        };
        if (!select.Run([](sqlite3_stmt*) {}, onRow)) return false;
        arrLevel.clear();
    }
    while (!arrLevel.empty()) {
        std::sort(arrLevel.begin(), arrLevel.end());
        std::vector<TRowId> arrNext;
        for (std::size_t nFirst = 0; nFirst < arrLevel.size(); nFirst += kIdsPerStatement) {
            std::string strSql = std::string("SELECT ID, MasterID") + pszName + " FROM KnowHow WHERE MasterID IN (";
            const std::size_t nEnd = std::min(arrLevel.size(), nFirst + kIdsPerStatement);
            for (std::size_t i = nFirst; i < nEnd; ++i) {
                if (i > nFirst) strSql += ',';
                strSql += std::to_string(arrLevel[i]);
            }
            strSql += ") AND IsAktiv='1' ORDER BY PosNr;";
            CPrepared select(strSql);
            bool bRead = select.Run([](sqlite3_stmt*) {},
                                    [&](sqlite3_stmt* p) {
                                        TRowId nId = onChild(p);
                                        if (setRead.insert(nId).second) arrNext.push_back(nId);
                                    });
            if (!bRead) return false;
        }
        arrLevel = std::move(arrNext);
    }
    std::unordered_set<TRowId> setSeen{nFolder};
    std::vector<SShapeNode> arrStack;
    auto pushChildren = [&](TRowId nId, std::int32_t nLevel) {
        auto it = mapChildren.find(nId);
        if (it == mapChildren.end()) return;
        for (auto child = it->second.rbegin(); child != it->second.rend(); ++child) {
            arrStack.push_back(*child);
            arrStack.back().nLevel = nLevel;
        }
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

// Control characters other than tab have no place in HTML; they show as
// the replacement character.
void AppendVisible(std::string& out, char c) {
    if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n')
        out += "\xEF\xBF\xBD";
    else
        out += c;
}

// The title and links (UTF-8, a few per document) go through these; the
// keywords and texts through the byte tables below.
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

// Every character that can open or close markup in CommonMark (an escaped
// punctuation character always stands for itself).
constexpr const char kMarkdownSpecials[] = "\\`*_[]<>&#~|!";

// Inline text that CommonMark must take literally.
std::string MarkdownInline(const std::string& strUtf8) {
    std::string out;
    out.reserve(strUtf8.size() + 16);
    for (char c : strUtf8) {
        if (c != 0 && std::strchr(kMarkdownSpecials, c)) {
            out += '\\';
            out += c;
        } else {
            AppendVisible(out, c);
        }
    }
    return out;
}

// What each Windows-1252 byte becomes in a document: its UTF-8 form or an
// escape, never more than eight bytes, copied as eight so that the copy
// needs no length. A length of 0 (the line ends) stops a conversion there.
struct SByteTable {
    char arrOut[256][8] = {};
    std::uint8_t arrLen[256] = {};
    // the printable ASCII bytes that do not stand for themselves
    char arrSpecials[16] = {};
    int nSpecials = 0;
#if defined(__SSE2__)
    // the specials as a few ranges of bytes (a byte between two specials
    // close together is looked at one by one too, harmlessly); a byte x is
    // in range i when x + arrBias[i] < arrLimit[i], signed
    __m128i arrBias[16] = {}, arrLimit[16] = {};
    int nRanges = 0;
#endif
};

SByteTable MakeTable(EReadableFormat eFormat) {
    SByteTable t;
    for (int c = 0; c < 256; ++c) {
        std::string str = Cp1252ToUtf8(std::string(1, static_cast<char>(c)));
        if (c < 0x20 && c != '\t' && eFormat != EReadableFormat::Text) str = "\xEF\xBF\xBD";
        if (eFormat == EReadableFormat::Html) {
            switch (c) {
                case '&': str = "&amp;"; break;
                case '<': str = "&lt;"; break;
                case '>': str = "&gt;"; break;
                case '"': str = "&quot;"; break;
                case '\'': str = "&#39;"; break;
                default: break;
            }
        } else if (eFormat == EReadableFormat::Markdown && c != 0 && std::strchr(kMarkdownSpecials, c)) {
            str = {'\\', static_cast<char>(c)};
        }
        if (c == '\r' || c == '\n') str.clear();
        std::memcpy(t.arrOut[c], str.data(), str.size());
        t.arrLen[c] = static_cast<std::uint8_t>(str.size());
        if (c >= 0x20 && c < 0x80 && str != std::string(1, static_cast<char>(c)))
            t.arrSpecials[t.nSpecials++] = static_cast<char>(c);
    }
#if defined(__SSE2__)
    for (int i = 0; i < t.nSpecials;) {
        const int nLow = static_cast<unsigned char>(t.arrSpecials[i]);
        int nHigh = nLow;
        for (++i; i < t.nSpecials && static_cast<unsigned char>(t.arrSpecials[i]) - nHigh <= 8; ++i)
            nHigh = static_cast<unsigned char>(t.arrSpecials[i]);
        t.arrBias[t.nRanges] = _mm_set1_epi8(static_cast<char>(0x80 - nLow));
        t.arrLimit[t.nRanges] = _mm_set1_epi8(static_cast<char>(-128 + (nHigh - nLow + 1)));
        ++t.nRanges;
    }
#endif
    return t;
}

const SByteTable& TableOf(EReadableFormat eFormat) {
    static const SByteTable s_html = MakeTable(EReadableFormat::Html),
                            s_markdown = MakeTable(EReadableFormat::Markdown),
                            s_text = MakeTable(EReadableFormat::Text);
    switch (eFormat) {
        case EReadableFormat::Html: return s_html;
        case EReadableFormat::Markdown: return s_markdown;
        case EReadableFormat::Text: break;
    }
    return s_text;
}

bool IsLineEnd(char c) {
    return c == '\r' || c == '\n';
}

// Past the line end at p (CR LF counts as one).
const char* SkipLineEnd(const char* p, const char* pEnd) {
    if (p < pEnd && *p == '\r' && p + 1 < pEnd && p[1] == '\n') ++p;
    return p < pEnd ? p + 1 : p;
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

// One large buffer written in whole blocks; the first failure is remembered.
// Texts are converted straight into it (Reserve, then Commit).
class COut {
public:
    explicit COut(std::FILE* pFile) : m_pFile(pFile), m_arr(kSize) {}

    // Room for n more bytes at the place returned.
    char* Reserve(std::size_t n) {
        if (m_arr.size() - m_nUsed < n) {
            Flush();
            if (m_arr.size() < n) m_arr.resize(n);
        }
        return m_arr.data() + m_nUsed;
    }
    // How far the bytes after Reserve were written.
    void Commit(const char* pEnd) { m_nUsed = static_cast<std::size_t>(pEnd - m_arr.data()); }

    void Put(const char* p, std::size_t n) {
        std::memcpy(Reserve(n), p, n);
        m_nUsed += n;
    }
    COut& operator<<(std::string_view sv) {
        Put(sv.data(), sv.size());
        return *this;
    }
    COut& operator<<(char c) {
        *Reserve(1) = c;
        ++m_nUsed;
        return *this;
    }
    COut& operator<<(long long n) {
        char sz[24];
        int nLen = std::snprintf(sz, sizeof sz, "%lld", n);
        Put(sz, static_cast<std::size_t>(nLen));
        return *this;
    }

    // The bytes from p on converted by the table until pEnd or the first
    // byte it stops at; answers where it stopped.
    const char* Convert(const char* p, const char* pEnd, const SByteTable& t) {
#if defined(__SSE2__)
        const __m128i vBelowBlank = _mm_set1_epi8(0x20);
#endif
        while (p < pEnd) {
            const char* pStop = p + std::min<std::size_t>(static_cast<std::size_t>(pEnd - p), kChunk);
            // 16 more: a block is stored whole before it is looked at
            char* w = Reserve(8 * kChunk + 16);
            bool bStopped = false;
            // converts the byte at p; false at a line end
            auto one = [&] {
                const auto c = static_cast<unsigned char>(*p);
                if (t.arrLen[c] == 0) return false;
                std::memcpy(w, t.arrOut[c], 8);
                w += t.arrLen[c];
                ++p;
                return true;
            };
#if defined(__SSE2__)
            // 16 bytes at a time while they stand for themselves (printable
            // ASCII but the specials): most of a text
            while (!bStopped && pStop - p >= 16) {
                __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
                // signed: the bytes from 0x80 on count as below the blank too
                __m128i vHit = _mm_cmplt_epi8(v, vBelowBlank);
                for (int i = 0; i < t.nRanges; ++i)
                    vHit = _mm_or_si128(vHit, _mm_cmplt_epi8(_mm_add_epi8(v, t.arrBias[i]), t.arrLimit[i]));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(w), v);
                const auto nHits = static_cast<unsigned>(_mm_movemask_epi8(vHit));
                const int nPlain = nHits == 0 ? 16 : __builtin_ctz(nHits);
                p += nPlain;
                w += nPlain;
                if (nHits != 0) bStopped = !one();
            }
#endif
            while (!bStopped && p < pStop) bStopped = !one();
            Commit(w);
            if (bStopped) break;
        }
        return p;
    }
    void Convert(std::string_view sv, const SByteTable& t) {
        Convert(sv.data(), sv.data() + sv.size(), t);
    }

    bool Finish() {
        Flush();
        if (std::fflush(m_pFile) != 0) m_bFailed = true;
        return !m_bFailed && !std::ferror(m_pFile);
    }

private:
    static constexpr std::size_t kSize = 1 << 20;
    // input bytes converted per Reserve: eight output bytes each
    static constexpr std::size_t kChunk = kSize / 16;
    void Flush() {
        if (m_nUsed > 0 && std::fwrite(m_arr.data(), 1, m_nUsed, m_pFile) != m_nUsed) m_bFailed = true;
        m_nUsed = 0;
    }
    std::FILE* m_pFile;
    std::vector<char> m_arr;
    std::size_t m_nUsed = 0;
    bool m_bFailed = false;
};

// A text (Windows-1252) as HTML or plain text shows it: every line end
// (CR LF, CR, LF) as svBreak, one final line end left off.
void PutBody(COut& out, const std::string& strText, const SByteTable& t, std::string_view svBreak) {
    std::size_t n = strText.size();
    if (n > 0 && strText[n - 1] == '\n') --n;
    if (n > 0 && strText[n - 1] == '\r') --n;
    const char* p = strText.data();
    const char* pEnd = p + n;
    while ((p = out.Convert(p, pEnd, t)) < pEnd) {
        out << svBreak;
        p = SkipLineEnd(p, pEnd);
    }
}

// A text in Markdown, a line at a time as it goes by: a line break inside a
// paragraph stays one (a backslash before it), a blank line starts the next
// paragraph. Besides the inline escapes, what would make a line a block of
// its own (a list item, a heading underline, a thematic break, a numbered
// item) is escaped, and leading blanks (an indented code block) become
// no-break spaces.
void PutMarkdownBody(COut& out, const std::string& strText, const SByteTable& t) {
    const char* p = strText.data();
    const char* pEnd = p + strText.size();
    bool bOpen = false;
    while (p < pEnd) {
        const char* pLead = p;
        while (p < pEnd && (*p == ' ' || *p == '\t')) ++p;
        if (p == pEnd || IsLineEnd(*p)) {
            if (bOpen) out << '\n';
            bOpen = false;
            p = SkipLineEnd(p, pEnd);
            continue;
        }
        out << (bOpen ? "\\\n" : "\n");
        for (; pLead < p; ++pLead) out << (*pLead == '\t' ? "\xC2\xA0\xC2\xA0\xC2\xA0\xC2\xA0" : "\xC2\xA0");
        if (*p == '-' || *p == '+' || *p == '=') {
            out << '\\' << *p++;
        } else {
            const char* pDigits = p;
            while (pDigits < pEnd && pDigits - p < 10 && *pDigits >= '0' && *pDigits <= '9') ++pDigits;
            if (pDigits > p && pDigits - p <= 9 && pDigits < pEnd && (*pDigits == '.' || *pDigits == ')')) {
                out.Put(p, static_cast<std::size_t>(pDigits - p));
                out << '\\' << *pDigits;
                p = pDigits + 1;
            }
        }
        p = SkipLineEnd(out.Convert(p, pEnd, t), pEnd);
        bOpen = true;
    }
    if (bOpen) out << '\n';
}

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

// A keyword as a document shows it: on one line, never empty; Windows-1252.
void DisplayNameInto(std::string_view svAnsi, std::string& str) {
    str.assign(svAnsi);
    if (str.find_first_of("\r\n") != std::string::npos) str = KeywordOnOneLine(str);
    if (str.find_first_not_of(" \t") == std::string::npos) str = "(ohne Stichwort)";
}

// One entry as the export reads it.
struct SRow {
    TRowId nId = 0;
    bool bDir = false;
    std::string strName, strText, strLink;
};

// Writes the document as the entries come in reading order.
class CDocumentWriter {
public:
    CDocumentWriter(COut& out, EReadableFormat eFormat) : m_out(out), m_eFormat(eFormat), m_table(TableOf(eFormat)) {}

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
    void ContentsItem(TRowId nId, int nLevel, std::string_view svNameAnsi) {
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
        DisplayNameInto(svNameAnsi, m_strHeading);
        m_out << "<li><a href=\"#e" << static_cast<long long>(nId) << "\">";
        m_out.Convert(m_strHeading, m_table);
        m_out << "</a>";
    }
    void EndContents() {
        for (; m_nTocDepth > 0; --m_nTocDepth) m_out << "</li>\n</ul>\n";
        m_out << "</nav>\n<main>\n";
    }

    void Entry(const SRow& row, int nLevel) {
        // the keywords of the entries above that share the deepest heading
        // go into its text, so that a deep entry still says where it stands
        const std::size_t nAt = static_cast<std::size_t>(std::max(nLevel, 0));
        if (m_arrNames.size() <= nAt) m_arrNames.resize(nAt + 1);
        DisplayNameInto(row.strName, m_arrNames[nAt]);
        const std::string& strName = m_arrNames[nAt];
        const std::string* pHeading = &strName;
        if (nLevel > kFirstDeepLevel) {
            m_strHeading.clear();
            for (std::size_t i = kFirstDeepLevel; i <= nAt; ++i) {
                if (i > kFirstDeepLevel) m_strHeading += " \\ ";
                m_strHeading += m_arrNames[i];
            }
            pHeading = &m_strHeading;
        }
        const int nHeading = std::min(nLevel + 2, kDeepestHeading);
        std::string strLink;
        if (!row.strLink.empty()) strLink = Cp1252ToUtf8(Trimmed(KeywordOnOneLine(row.strLink)));
        switch (m_eFormat) {
            case EReadableFormat::Html: HtmlEntry(row, nLevel, nHeading, *pHeading, strLink); break;
            case EReadableFormat::Markdown: MarkdownEntry(row, nHeading, *pHeading, strLink); break;
            case EReadableFormat::Text: TextEntry(row, nLevel, strName, strLink); break;
        }
    }

    void End() {
        if (m_eFormat != EReadableFormat::Html) return;
        for (; !m_arrOpen.empty(); m_arrOpen.pop_back()) m_out << "</section>\n";
        m_out << "</main>\n</body>\n</html>\n";
    }

private:
    void HtmlEntry(const SRow& row, int nLevel, int nHeading, const std::string& strHeading,
                   const std::string& strLink) {
        while (!m_arrOpen.empty() && m_arrOpen.back() >= nLevel) {
            m_out << "</section>\n";
            m_arrOpen.pop_back();
        }
        m_arrOpen.push_back(nLevel);
        const char cHeading = static_cast<char>('0' + nHeading);
        m_out << "<section id=\"e" << static_cast<long long>(row.nId) << "\" class=\""
              << (row.bDir ? "folder" : "entry") << "\">\n<h" << cHeading << ">";
        m_out.Convert(strHeading, m_table);
        m_out << "</h" << cHeading << ">\n";
        if (!row.strText.empty()) {
            m_out << "<p class=\"text\">";
            PutBody(m_out, row.strText, m_table, "\n");
            m_out << "</p>\n";
        }
        if (!strLink.empty()) {
            std::string strUrl = LinkUrl(row.strLink);
            m_out << "<p class=\"link\">Verknüpfung: ";
            if (strUrl.empty())
                m_out << HtmlEscape(strLink);
            else
                m_out << "<a href=\"" << HtmlEscape(strUrl) << "\">" << HtmlEscape(strLink) << "</a>";
            m_out << "</p>\n";
        }
    }

    void MarkdownEntry(const SRow& row, int nHeading, const std::string& strHeading, const std::string& strLink) {
        m_out << '\n' << std::string_view("######", static_cast<std::size_t>(nHeading)) << ' ';
        m_out.Convert(strHeading, m_table);
        m_out << '\n';
        PutMarkdownBody(m_out, row.strText, m_table);
        if (!strLink.empty()) {
            std::string strUrl = LinkUrl(row.strLink);
            m_out << "\nVerknüpfung: ";
            if (strUrl.empty())
                m_out << MarkdownInline(strLink);
            else
                m_out << "[" << MarkdownInline(strLink) << "](" << strUrl << ")";
            m_out << "\n";
        }
    }

    void TextEntry(const SRow& row, int nLevel, const std::string& strName, const std::string& strLink) {
        // an entry starts after an empty line, and none of its own lines is
        // empty (they carry the indentation), so a reader finds the keywords
        const std::size_t nIndent = 2 * static_cast<std::size_t>(std::max(nLevel, 0));
        m_strBreak.assign(1, '\n').append(nIndent + 2, ' ');
        const std::string_view svIndent = std::string_view(m_strBreak).substr(1, nIndent);
        const std::string_view svInner = std::string_view(m_strBreak).substr(1);
        m_out << '\n' << svIndent << (row.bDir ? "+ " : "- ");
        m_out.Convert(strName, m_table);
        m_out << '\n';
        if (!row.strText.empty()) {
            m_out << svInner;
            PutBody(m_out, row.strText, m_table, m_strBreak);
            m_out << '\n';
        }
        if (!strLink.empty()) m_out << svInner << "Verknüpfung: " << strLink << "\n";
    }

    COut& m_out;
    EReadableFormat m_eFormat;
    const SByteTable& m_table;
    std::vector<int> m_arrOpen;           // levels of the open sections (HTML)
    std::vector<std::string> m_arrNames;  // the keywords on the way down to the entry, by level
    std::string m_strHeading, m_strBreak;
    int m_nTocDepth = 0, m_nTocBase = 0;
};

// The rows of a batch of the reading order, by one statement compiled once
// for every batch (the IDs bound, 0, which no row has, filling the last
// one). The rows are kept from batch to batch, so their strings keep the
// room they have grown to.
class CBatchReader {
public:
    CBatchReader() : m_select(Sql()) { m_arrIds.reserve(CReadableExport::kBatch); }

    bool Read(const std::vector<SShapeNode>& arrOrder, std::size_t nFirst) {
        m_arrIds.clear();
        for (std::size_t i = nFirst; i < arrOrder.size() && i < nFirst + CReadableExport::kBatch; ++i)
            m_arrIds.push_back(arrOrder[i].nId);
        std::sort(m_arrIds.begin(), m_arrIds.end());
        m_nRows = 0;
        bool bRead = m_select.Run(
            [&](sqlite3_stmt* p) {
                for (std::size_t i = 0; i < CReadableExport::kBatch; ++i)
                    sqlite3_bind_int64(p, static_cast<int>(i) + 1, i < m_arrIds.size() ? m_arrIds[i] : 0);
            },
            [&](sqlite3_stmt* p) {
                if (m_nRows == m_arrRows.size()) m_arrRows.emplace_back();
                SRow& row = m_arrRows[m_nRows++];
                row.nId = static_cast<TRowId>(sqlite3_column_int64(p, 0));
                row.bDir = sqlite3_column_int(p, 1) != 0;
                ReadCell(p, 2, row.strName);
                ReadCell(p, 3, row.strText);
                ReadCell(p, 4, row.strLink);
            });
        std::sort(m_arrRows.begin(), m_arrRows.begin() + static_cast<std::ptrdiff_t>(m_nRows),
                  [](const SRow& a, const SRow& b) { return a.nId < b.nId; });
        return bRead;
    }

    // The row of an ID of the batch; null for an entry deleted meanwhile.
    const SRow* Find(TRowId nId) const {
        auto itEnd = m_arrRows.begin() + static_cast<std::ptrdiff_t>(m_nRows);
        auto it = std::lower_bound(m_arrRows.begin(), itEnd, nId, [](const SRow& a, TRowId n) { return a.nId < n; });
        return it != itEnd && it->nId == nId ? &*it : nullptr;
    }

private:
    static std::string Sql() {
        std::string str = "SELECT ID, IsDir, Name, Text, Link FROM KnowHow WHERE IsAktiv='1' AND ID IN (";
        for (std::size_t i = 0; i < CReadableExport::kBatch; ++i) str += i ? ",?" : "?";
        return str + ");";
    }

    CPrepared m_select;
    std::vector<TRowId> m_arrIds;
    std::vector<SRow> m_arrRows;
    std::size_t m_nRows = 0;
};

EReadableResult WriteDocument(CKnowHow& service, EReadableFormat eFormat, std::FILE* pFile, TRowId nFolder) {
    GetDatabase().ClearLastError();
    std::vector<SShapeNode> arrOrder;
    bool bFound = true;
    auto readFailed = [] {
        ShowDbFailureReason();
        return EReadableResult::ReadFailed;
    };
    std::string strNames;
    if (!ReadShape(nFolder, arrOrder, eFormat == EReadableFormat::Html ? &strNames : nullptr, bFound))
        return readFailed();
    if (!bFound) return EReadableResult::NoSuchFolder;

    std::string strTitle = "Hauptordner";
    if (nFolder != 0) {
        std::vector<std::string> arrPaths;
        if (!service.GetPaths({nFolder}, arrPaths)) return readFailed();
        DisplayNameInto(arrPaths.front(), strTitle);
        strTitle = Cp1252ToUtf8(strTitle);
    }

    COut out(pFile);
    CDocumentWriter writer(out, eFormat);
    writer.Begin(strTitle);

    if (eFormat == EReadableFormat::Html) {
        writer.BeginContents();
        for (const SShapeNode& node : arrOrder)
            writer.ContentsItem(node.nId, node.nLevel,
                                std::string_view(strNames).substr(node.nNameAt, node.nNameLength));
        writer.EndContents();
    }

    CBatchReader rows;
    for (std::size_t nFirst = 0; nFirst < arrOrder.size(); nFirst += CReadableExport::kBatch) {
        if (!rows.Read(arrOrder, nFirst)) return readFailed();
        std::size_t nEnd = std::min(arrOrder.size(), nFirst + CReadableExport::kBatch);
        for (std::size_t i = nFirst; i < nEnd; ++i)
            if (const SRow* pRow = rows.Find(arrOrder[i].nId)) writer.Entry(*pRow, arrOrder[i].nLevel);
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
