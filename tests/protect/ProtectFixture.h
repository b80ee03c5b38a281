#pragma once
// A knowledge base with a few entries, the two password services reset
// around every test, and the stored rows read back with plain SQLite.

#include <sqlite3.h>

#include <map>
#include <string>
#include <vector>

#include "db/CDB.h"
#include "platform/Cp1252.h"
#include "protect/CCrypt.h"
#include "protect/CDbAdmin.h"
#include "protect/CDbPasswort.h"
#include "support/TestSupport.h"
#include "tree/CKnowHow.h"

struct SRawRow {
    int nId = 0;
    std::string strName, strText, strLink;
    int nUpdateNr = 0;
    bool operator==(const SRawRow&) const = default;
};

class CProtectTest : public CCoreTest {
protected:
    void SetUp() override {
        CCoreTest::SetUp();
        m_platform.SetLocalTime(2026, 12, 7, 6, 34);
        GetDbPasswort().ClearPassword();
        GetDbPasswort().SetPrompt(nullptr);
    }
    void TearDown() override {
        GetDbPasswort().ClearPassword();
        GetDbPasswort().SetPrompt(nullptr);
        CCoreTest::TearDown();
    }

    // The plain texts of the sample entries, by keyword.
    static std::vector<CKnowHowItem> SampleItems() {
        std::vector<CKnowHowItem> arr(6);
        auto set = [](CKnowHowItem& item, int nMaster, int nPos, int nDir, const std::string& strName,
                      const std::string& strText, const std::string& strLink) {
            item.MasterID = nMaster;
            item.PosNr = nPos;
            item.IsDir = nDir;
            item.Name = strName;
            item.Text = strText;
            item.Link = strLink;
            item.Modified = true;
        };
        set(arr[0], 0, 1, 1, "Ordner", "", "");
        set(arr[1], 0, 2, 1, Ansi("Küche"), Ansi("Rezepte für Grüße"), "");
        set(arr[2], 1, 1, 0, "O'Neil", "Text mit 'Apostroph' und \\Backslash\\0", "C:\\Daten\\o'neil.txt");
        set(arr[3], 1, 2, 0, "Leer", "", "");
        set(arr[4], 1, 3, 0, "Wissen_ist", "Macht und MACHT", "http://example.org/");
        set(arr[5], 2, 1, 0, "", "nur Text", "");
        return arr;
    }

    // Creates the database and stores the sample entries (IDs 1 to 6).
    std::string CreateWithEntries() {
        std::string strPath = CreateDatabase();
        CKnowHow knowHow;
        // folders first, so the children can name them
        CKnowHowArray arr = SampleItems();
        EXPECT_EQ(knowHow.SaveItems(arr), EWriteResult::Saved);
        for (int i = 0; i < 6; ++i) EXPECT_EQ(arr[i].ID, i + 1);
        return strPath;
    }

    std::vector<SRawRow> RawRows() {
        std::vector<SRawRow> rows;
        sqlite3* pDb = nullptr;
        if (sqlite3_open_v2(GetDatabase().GetFilePath().c_str(), &pDb, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
            ADD_FAILURE() << "cannot read the file";
            sqlite3_close(pDb);
            return rows;
        }
        sqlite3_stmt* pStmt = nullptr;
        sqlite3_prepare_v2(pDb, "SELECT ID, Name, Text, Link, UpdateNr FROM KnowHow ORDER BY ID", -1, &pStmt, nullptr);
        auto text = [&](int nCol) {
            const void* p = sqlite3_column_blob(pStmt, nCol);
            return p ? std::string(static_cast<const char*>(p), sqlite3_column_bytes(pStmt, nCol)) : std::string();
        };
        while (sqlite3_step(pStmt) == SQLITE_ROW)
            rows.push_back({sqlite3_column_int(pStmt, 0), text(1), text(2), text(3), sqlite3_column_int(pStmt, 4)});
        sqlite3_finalize(pStmt);
        sqlite3_close(pDb);
        return rows;
    }

    // The entries as the service reads them now, by ID.
    std::map<int, CKnowHowItem> ReadItems() {
        CKnowHow knowHow;
        CKnowHowArray arr;
        knowHow.GetAllItems(arr);
        std::map<int, CKnowHowItem> map;
        for (auto& item : arr) map[item.ID] = item;
        return map;
    }

    void ExpectPlainTexts() {
        auto map = ReadItems();
        auto arr = SampleItems();
        ASSERT_EQ(map.size(), arr.size());
        for (int i = 0; i < 6; ++i) {
            EXPECT_EQ(map[i + 1].Name, arr[i].Name) << i;
            EXPECT_EQ(map[i + 1].Text, arr[i].Text) << i;
            EXPECT_EQ(map[i + 1].Link, arr[i].Link) << i;
        }
    }

    // Every stored text is the stored form of the plain one under strKey.
    void ExpectStoredUnder(const std::string& strKey) {
        CCrypt crypt;
        crypt.SetPassword(strKey);
        auto rows = RawRows();
        auto arr = SampleItems();
        ASSERT_EQ(rows.size(), arr.size());
        for (int i = 0; i < 6; ++i) {
            auto form = [&](const std::string& s) { return strKey.empty() ? s : crypt.Encrypt(s); };
            EXPECT_EQ(rows[i].strName, form(arr[i].Name)) << i;
            EXPECT_EQ(rows[i].strText, form(arr[i].Text)) << i;
            EXPECT_EQ(rows[i].strLink, form(arr[i].Link)) << i;
        }
    }

    std::vector<int> UpdateNrs() {
        std::vector<int> arr;
        for (const auto& row : RawRows()) arr.push_back(row.nUpdateNr);
        return arr;
    }

    std::string BackupCopy(const std::string& strPath, const char* pszStamp) { return strPath + "." + pszStamp; }
};
