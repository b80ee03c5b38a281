#pragma once
// The example knowledge base a newcomer sees on the first start through
// scripts/run: made once from the text the project ships
// (resources/demo/Beispiel.txt) in the user's data folder.
//
// Source format (UTF-8), one line each, indentation two spaces per level:
//   "+ Name"   a folder          "- Name"   an entry
//   "| text"   a text line of the item above ("|" alone: an empty line)
//   "@ link"   the link of the item above
// Lines starting with "#" and empty lines are ignored.

#include <QStringList>
#include <string>
#include <vector>

struct SDemoNode {
    bool bFolder = false;
    std::string strName;  // Windows-1252, like everything stored
    std::string strText;  // lines joined with CR LF
    std::string strLink;
    std::vector<SDemoNode> arrChildren;
    int nTextLines = 0;
};

// False with a message (UTF-8) naming the line on a malformed source.
bool ParseDemoSource(const std::string& strUtf8, std::vector<SDemoNode>& arrRoots, std::string& strError);
// Creates the knowledge base at strTarget (which must not exist) from the
// source file; the session is closed again afterwards.
bool BuildDemoDatabase(const std::string& strSourceFile, const std::string& strTarget, std::string& strError);
// <user data folder>/Orvantis/Beispiel.tov
std::string DemoDatabasePath();
// "--demo-path": prints the path. "--prepare-demo DIR": when no last
// database was ever recorded, makes the example from DIR/Beispiel.txt if it
// is missing and prints its path; prints nothing otherwise. Exit code.
int RunDemoOption(const QStringList& arrArgs);
