#include "ui/QtText.h"

#include "platform/Cp1252.h"

QString FromAnsi(const std::string& strAnsi) {
    QString out;
    out.reserve(static_cast<qsizetype>(strAnsi.size()));
    for (unsigned char ch : strAnsi) out += QChar(static_cast<char16_t>(Cp1252ToUnicode(ch)));
    return out;
}

std::string ToAnsi(const QString& str, bool* pbOk) {
    if (pbOk) *pbOk = true;
    std::string out;
    out.reserve(static_cast<size_t>(str.size()));
    for (QChar ch : str) {
        int n = UnicodeToCp1252(ch.unicode());
        if (n < 0) {
            out += '?';
            if (pbOk) *pbOk = false;
        } else {
            out += static_cast<char>(n);
        }
    }
    return out;
}

bool IsAnsiRepresentable(const QString& str) {
    for (QChar ch : str)
        if (UnicodeToCp1252(ch.unicode()) < 0) return false;
    return true;
}
