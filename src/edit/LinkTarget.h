#pragma once
// What kind of target a link names: whether it may be opened at once or the
// user is asked first.

#include <string>

enum class ELinkKind {
    Plain,    // a local file or folder (or a path that is not there), http, https, ftp, mailto
    Program,  // a local program: an executable file or a .desktop launcher
    Other,    // any other scheme (javascript:, ssh:, smb:, ...)
};

// strLink in Windows-1252 as stored; *pstrPath gets the local path of a
// program (the file system's bytes).
ELinkKind ClassifyLink(const std::string& strLink, std::string* pstrPath = nullptr);
