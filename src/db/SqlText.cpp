#include "db/SqlText.h"

std::string EscapeQuotes(const std::string& str) {
    std::string out;
    out.reserve(str.size() + 8);
    for (char c : str) {
        out += c;
        if (c == '\'') out += '\'';
    }
    return out;
}
