#pragma once
// What one worker knows of the entries it made. Every entry and text a
// worker writes carries a token of its own ("w3n17", "w3t18"; a document
// worker's start with "d"), and only its maker moves an entry or deletes it.
// Texts change hands: a document worker may type into any entry a document
// worker or the setup made, and every write logs the text it replaces, so
// the check can follow each entry's texts from one to the next.

#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "table/CTableItem.h"

struct SSharedFolder {
    std::string strName;
    TRowId nId = 0;
};

// "S1=1,S2=2" and back.
std::vector<SSharedFolder> ParseSharedFolders(const std::string& strList);
std::string FormatSharedFolders(const std::vector<SSharedFolder>& arr);

// One line of a structure template with the parent it gets on import.
struct STemplateEntry {
    std::string strName, strParent;
    bool bDir = false;
};

// The log form of a template's entries: "name/parent/dir;..." and back.
std::string FormatTemplateEntries(const std::vector<STemplateEntry>& arr);
std::vector<STemplateEntry> ParseTemplateEntries(const std::string& str);

class COwnTree {
public:
    // chPrefix starts every token: 'w' for the command-line worker, 'd' for
    // the document worker.
    COwnTree(int nWorker, std::vector<SSharedFolder> arrShared, unsigned long long nSeed, char chPrefix = 'w');

    std::mt19937_64& Rng() { return m_rng; }
    long Random(long nMin, long nMax);  // inclusive
    bool Chance(double dProbability);

    // A fresh token: kind 'n' entry, 'f' folder, 'i' imported structure, 't' text.
    std::string NewToken(char chKind);

    void Add(const std::string& strName, TRowId nId, const std::string& strParent, bool bDir,
             const std::string& strText = std::string());
    // Removes the entry and everything below it.
    void Remove(const std::string& strName);
    void Move(const std::string& strName, const std::string& strTarget);
    void MakeFolder(const std::string& strName);
    // Learns the ID of an entry seen in a folder's rows (imported entries).
    void LearnId(const std::string& strName, TRowId nId);
    bool Has(const std::string& strName) const { return m_map.count(strName) > 0; }
    bool IsDir(const std::string& strName) const;
    // The text last written (or tried without a refusal) to the entry.
    std::string TextOf(const std::string& strName) const;
    void SetText(const std::string& strName, const std::string& strText);
    std::string ParentOf(const std::string& strName) const;

    // The ID of a shared or own folder; 0 when unknown.
    TRowId FolderId(const std::string& strName) const;
    // A shared folder, or with dOwnShare one of the own folders whose ID is known.
    std::string PickFolder(double dOwnShare);
    // An own entry with a known ID; empty when there is none.
    std::string PickEntry();
    // A folder the entry may be moved to (not its own folder, not inside
    // itself); empty when there is none.
    std::string PickMoveTarget(const std::string& strName);
    TRowId IdOf(const std::string& strName) const;

    // A small template of 2 to 6 lines below a new folder token; its text
    // lines (two spaces per level) and its entries.
    std::vector<std::string> MakeTemplate(const std::string& strParent, std::vector<STemplateEntry>& arrEntries);

private:
    struct SOwnEntry {
        TRowId nId = 0;  // 0 while not known
        std::string strParent;
        bool bDir = false;
        std::string strText;
    };
    // True when strName is strRoot or lies below it.
    bool IsBelow(const std::string& strName, const std::string& strRoot) const;

    int m_nWorker;
    char m_chPrefix;
    long m_nNext = 1;
    std::vector<SSharedFolder> m_arrShared;
    std::map<std::string, SOwnEntry> m_map;
    std::mt19937_64 m_rng;
};
