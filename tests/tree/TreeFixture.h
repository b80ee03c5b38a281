#pragma once
// A new knowledge base with its tree service, helpers to build a tree and
// to look at the KnowHow table directly, past the service.

#include <sqlite3.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "db/CDB.h"
#include "platform/Cp1252.h"
#include "support/TestSupport.h"
#include "tree/CKnowHow.h"

class CTreeTest : public CCoreTest {
protected:
    void SetUp() override {
        CCoreTest::SetUp();
        m_strDb = CreateDatabase();
        m_pTree = std::make_unique<CKnowHow>();
    }
    void TearDown() override {
        m_pTree.reset();
        CCoreTest::TearDown();
    }

    // Appends as the detail view does: PosNr = count + 1, written by SaveItems.
    std::int32_t Add(std::int32_t nParent, const char* pszName, bool bFolder = false, const char* pszText = "") {
        CKnowHowArray arr(1);
        CKnowHowItem& item = arr[0];
        item.MasterID = nParent;
        item.SetPosNr(m_pTree->CountChildren(nParent) + 1);
        item.SetIsDir(bFolder ? 1 : 0);
        item.SetName(Ansi(pszName));
        item.SetText(Ansi(pszText));
        EXPECT_EQ(m_pTree->SaveItems(arr), EWriteResult::Saved);
        return item.ID;
    }

    // Raw rows of a query, every cell as text ("" for NULL).
    static std::vector<std::vector<std::string>> Query(const std::string& strSql) {
        std::vector<std::vector<std::string>> rows;
        char** pp = nullptr;
        int nRows = 0, nCols = 0;
        if (sqlite3_get_table(GetDatabase().GetHandle(), strSql.c_str(), &pp, &nRows, &nCols, nullptr) != SQLITE_OK)
            return {{"<query failed>"}};
        for (int r = 1; r <= nRows; ++r) {
            rows.emplace_back();
            for (int c = 0; c < nCols; ++c) rows.back().push_back(pp[r * nCols + c] ? pp[r * nCols + c] : "");
        }
        sqlite3_free_table(pp);
        return rows;
    }
    static int RowCount() { return std::stoi(Query("SELECT count(*) FROM KnowHow")[0][0]); }

    // Every active folder's children must hold 1..n exactly once; answers
    // a description of each fault, empty when the table is sound.
    static std::string PositionFaults() {
        std::map<std::string, std::vector<int>> mapPositions;
        for (const auto& row : Query("SELECT MasterID, PosNr FROM KnowHow WHERE IsAktiv='1' ORDER BY MasterID, PosNr"))
            mapPositions[row[0]].push_back(std::stoi(row[1]));
        std::string strFaults;
        for (const auto& [strMaster, arr] : mapPositions)
            for (size_t i = 0; i < arr.size(); ++i)
                if (arr[i] != static_cast<int>(i) + 1)
                    strFaults += "folder " + strMaster + ": position " + std::to_string(arr[i]) + " at place " +
                                 std::to_string(i + 1) + "\n";
        return strFaults;
    }

    // The subtree below a folder as text, read from the table directly:
    // "name" for entries, "name{...}" for folders, children by PosNr.
    static std::string Shape(std::int32_t nFolder) {
        std::string str;
        for (const auto& row : Query("SELECT ID, IsDir, Name FROM KnowHow WHERE MasterID=" + std::to_string(nFolder) +
                                     " AND IsAktiv='1' ORDER BY PosNr")) {
            if (!str.empty()) str += " ";
            str += Cp1252ToUtf8(row[2]);
            std::string strInner = Shape(std::stoi(row[0]));
            if (row[1] == "1")
                str += "{" + strInner + "}";
            else if (!strInner.empty())
                str += "<hidden:" + strInner + ">";
        }
        return str;
    }

    std::string m_strDb;
    std::unique_ptr<CKnowHow> m_pTree;
};
