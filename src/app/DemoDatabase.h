#pragma once
// The example knowledge base a newcomer sees on the very first start: made
// once from the text the package ships (share/orvantis/Beispiel.txt, in a
// build tree beside the program) in the user's data folder, never where
// the program is installed.
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
// The shipped source of the example: beside the program (a build tree),
// else in <prefix>/share/orvantis/ for a program in <prefix>/bin; "" when
// neither exists.
std::string DemoSourceForProgram(const std::string& strProgramPath);
// The example's path, made from strSourceFile first when it is missing;
// "" with strError (UTF-8) when it cannot be made.
std::string PrepareDemoDatabase(const std::string& strSourceFile, std::string& strError);
// Whether "Files"/"LastDB" was never written: nobody opened, created or
// closed a database yet.
bool IsFirstStart();
// "--demo-path": prints the path. "--prepare-demo DIR": when no last
// database was ever recorded, makes the example from DIR/Beispiel.txt if it
// is missing and prints its path; prints nothing otherwise. Exit code.
int RunDemoOption(const QStringList& arrArgs);
