#include "BenchSupport.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "db/CDB.h"
#include "platform/Cp1252.h"

EMsgResult CBenchPlatform::MessageBox(const std::string& strText, const std::string&, EMsgIcon, EMsgButtons eButtons) {
    m_arrMessages.push_back(Cp1252ToUtf8(strText));
    switch (eButtons) {
        case EMsgButtons::YesNo: return EMsgResult::Yes;
        default: return EMsgResult::Ok;
    }
}

bool CopySettled(const std::string& strFrom, const std::string& strTo) {
    std::error_code ec;
    std::filesystem::remove(strTo, ec);
    if (!std::filesystem::copy_file(strFrom, strTo, ec)) return false;
    const int fd = ::open(strTo.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool bOk = ::fsync(fd) == 0;
    ::close(fd);
    return bOk;
}

double NowMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

double Median(std::vector<double> arr) {
    if (arr.empty()) return 0;
    std::sort(arr.begin(), arr.end());
    size_t n = arr.size();
    return n % 2 ? arr[n / 2] : (arr[n / 2 - 1] + arr[n / 2]) / 2;
}

int g_nRunFactor = 1;

STimes Measure(int nRuns, const std::function<void()>& fnOurs, const std::function<void()>& fnBase,
               const std::function<void()>& fnPrepareOurs, const std::function<void()>& fnPrepareBase) {
    std::vector<double> arrOurs, arrBase;
    nRuns *= g_nRunFactor;
    // one untimed round of each first: caches as a user's second look finds them
    if (fnPrepareOurs) fnPrepareOurs();
    fnOurs();
    if (fnBase) {
        if (fnPrepareBase) fnPrepareBase();
        fnBase();
    }
    for (int i = 0; i < nRuns; ++i) {
        if (fnPrepareOurs) fnPrepareOurs();
        double t = NowMs();
        fnOurs();
        arrOurs.push_back(NowMs() - t);
        if (fnBase) {
            if (fnPrepareBase) fnPrepareBase();
            t = NowMs();
            fnBase();
            arrBase.push_back(NowMs() - t);
        }
    }
    // one more run of ours, counting what it sends to the engine
    int nStatements = 0;
    if (fnPrepareOurs) fnPrepareOurs();
    GetDatabase().SetStatementHook([&](const std::string&) { ++nStatements; });
    fnOurs();
    GetDatabase().SetStatementHook(nullptr);
    return {Median(arrOurs), Median(arrBase), nStatements};
}

void Fail(SResult& r, const std::string& strWhy) {
    r.bFailed = true;
    if (!r.strNote.empty()) r.strNote += "; ";
    r.strNote += strWhy;
}

void CResults::Add(SResult r) {
    if (r.dRatio == 0 && r.dBase > 0) r.dRatio = r.dOurs / r.dBase;
    if (r.nStatements > 0) {
        if (!r.strNote.empty()) r.strNote += "; ";
        r.strNote += std::to_string(r.nStatements) + " SQL-Anweisungen";
    }
    std::fprintf(stderr, "  %-58s %10.3f %s  %s\n", r.strCase.c_str(), r.dOurs, r.strUnit.c_str(),
                 r.bFailed ? "FEHLER" : "");
    m_arr.push_back(std::move(r));
}

namespace {
std::string Figure(double d, const std::string& strUnit) {
    if (d <= 0) return "-";
    char buf[64];
    if (d >= 100)
        std::snprintf(buf, sizeof buf, "%.0f %s", d, strUnit.c_str());
    else if (d >= 1)
        std::snprintf(buf, sizeof buf, "%.2f %s", d, strUnit.c_str());
    else
        std::snprintf(buf, sizeof buf, "%.4f %s", d, strUnit.c_str());
    return buf;
}

std::string Verdict(const SResult& r) {
    if (r.bFailed) return "FEHLER";
    if (r.dLimit <= 0) return "Bericht";
    return r.dRatio <= r.dLimit ? "erfüllt" : "VERFEHLT";
}

std::string JsonString(const std::string& str) {
    std::string out = "\"";
    for (unsigned char c : str) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string JsonNumber(double d) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.6g", d);
    return buf;
}
}  // namespace

void CResults::Print() const {
    std::printf("\n%-56s %12s %12s %8s  %-22s %s\n", "Fall", "Orvantis", "Basis", "Faktor", "Ziel", "Ergebnis");
    std::printf("%s\n", std::string(128, '-').c_str());
    for (const auto& r : m_arr) {
        char szRatio[32] = "-";
        if (r.dRatio > 0) std::snprintf(szRatio, sizeof szRatio, r.dRatio < 0.1 ? "%.4fx" : "%.2fx", r.dRatio);
        std::printf("%-56s %12s %12s %8s  %-22s %s\n", r.strCase.c_str(), Figure(r.dOurs, r.strUnit).c_str(),
                    Figure(r.dBase, r.strUnit).c_str(), szRatio, r.strTarget.c_str(), Verdict(r).c_str());
        if (!r.strNote.empty()) std::printf("    %s\n", r.strNote.c_str());
    }
    std::fflush(stdout);
}

bool CResults::WriteJson(const std::string& strPath, const std::string& strHeader) const {
    std::FILE* p = std::fopen(strPath.c_str(), "wb");
    if (!p) return false;
    std::fprintf(p, "{\n  \"run\": %s,\n  \"cases\": [\n", strHeader.c_str());
    for (size_t i = 0; i < m_arr.size(); ++i) {
        const auto& r = m_arr[i];
        std::fprintf(p,
                     "    {\"case\": %s, \"unit\": %s, \"ours\": %s, \"baseline\": %s, \"ratio\": %s, \"limit\": %s, "
                     "\"target\": %s, \"result\": %s, \"runs\": %d, \"statements\": %d, \"note\": %s}%s\n",
                     JsonString(r.strCase).c_str(), JsonString(r.strUnit).c_str(), JsonNumber(r.dOurs).c_str(),
                     r.dBase > 0 ? JsonNumber(r.dBase).c_str() : "null",
                     r.dRatio > 0 ? JsonNumber(r.dRatio).c_str() : "null",
                     r.dLimit > 0 ? JsonNumber(r.dLimit).c_str() : "null", JsonString(r.strTarget).c_str(),
                     JsonString(Verdict(r)).c_str(), r.nRuns, r.nStatements, JsonString(r.strNote).c_str(),
                     i + 1 < m_arr.size() ? "," : "");
    }
    std::fprintf(p, "  ]\n}\n");
    return std::fclose(p) == 0;
}

bool CRawDb::Open(const std::string& strPath, bool bCreate) {
    Close();
    int nFlags = SQLITE_OPEN_READWRITE | (bCreate ? SQLITE_OPEN_CREATE : 0);
    if (sqlite3_open_v2(strPath.c_str(), &m_p, nFlags, nullptr) != SQLITE_OK) {
        Close();
        return false;
    }
    return true;
}

void CRawDb::Close() {
    if (m_p) sqlite3_close_v2(m_p);
    m_p = nullptr;
}

sqlite3_stmt* CRawDb::Prepare(const std::string& strSql) {
    sqlite3_stmt* p = nullptr;
    if (sqlite3_prepare_v2(m_p, strSql.c_str(), -1, &p, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "baseline: %s: %s\n", strSql.c_str(), sqlite3_errmsg(m_p));
        return nullptr;
    }
    return p;
}

bool CRawDb::Exec(const char* pszSql) {
    return sqlite3_exec(m_p, pszSql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

std::string ColumnText(sqlite3_stmt* pStmt, int nCol) {
    const unsigned char* p = sqlite3_column_text(pStmt, nCol);
    return p ? std::string(reinterpret_cast<const char*>(p), sqlite3_column_bytes(pStmt, nCol)) : std::string();
}

void ReadRawRow(sqlite3_stmt* pStmt, SRawRow& row) {
    row.nId = sqlite3_column_int(pStmt, 0);
    row.nAktiv = sqlite3_column_int(pStmt, 1);
    row.nMaster = sqlite3_column_int(pStmt, 2);
    row.nLinkId = sqlite3_column_int(pStmt, 3);
    row.nTyp = sqlite3_column_int(pStmt, 4);
    row.nPos = sqlite3_column_int(pStmt, 5);
    row.nDir = sqlite3_column_int(pStmt, 6);
    row.strName = ColumnText(pStmt, 7);
    row.strText = ColumnText(pStmt, 8);
    row.strLink = ColumnText(pStmt, 9);
    row.nUpdate = sqlite3_column_int(pStmt, 10);
}
