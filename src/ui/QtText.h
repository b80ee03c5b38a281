#pragma once
// The edge between the core's Windows-1252 bytes and Qt's Unicode strings.

#include <QString>
#include <string>

QString FromAnsi(const std::string& strAnsi);
// Converts; *pbOk turns false when a character cannot be held by
// Windows-1252 (it is stored as '?').
std::string ToAnsi(const QString& str, bool* pbOk = nullptr);
// True when every character of str can be held by Windows-1252.
bool IsAnsiRepresentable(const QString& str);
