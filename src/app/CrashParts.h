#pragma once
// What the crash handler, the report writer, the ELF lookups and the message
// process share. The functions may run inside a signal handler: they use
// stack or static buffers and write(2), no locks of their own.

#include <cstddef>
#include <cstdint>
#include <ctime>

namespace crash {
inline constexpr const char* kMessageOption = "--crash-message";
// the program's file name, prepared before it is needed
extern char g_szProgramName[256];

// --- text (CrashReport.cpp) ----------------------------------------------------
void WriteAll(int fd, const char* p, size_t n);
void WriteText(int fd, const char* psz);
void CopyText(char* pszTarget, size_t nSize, const char* pszSource);
const char* BaseName(const char* pszPath);
// Creates the missing folders above the file (mode 0700); the path is
// changed while it works and restored.
void MakeParentFolders(char* pszPath);
void FormatTime(std::time_t t, char* pszOut, size_t nSize);

// --- ELF lookups (CrashElf.cpp) -------------------------------------------------
void SectionAddressOf(std::uintptr_t nAddress, char* pszOut, size_t nSize);
void ModuleNameOf(std::uintptr_t nAddress, char* pszOut, size_t nSize);
// "name(args) const" -> "name"; the parameter list is the last balanced
// parenthesis group.
void StripParameters(char* pszName);
void SymbolOf(std::uintptr_t nAddress, char* pszOut, size_t nSize);
}  // namespace crash
