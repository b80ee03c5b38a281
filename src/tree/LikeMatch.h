#pragma once
// The match of the plain search, byte by byte: '%' stands for any run of
// bytes, '_' for exactly one byte, ASCII letters match regardless of case,
// every other byte (umlauts included) only itself.
//
// The engine's LIKE reads Windows-1252 text as UTF-8, so a byte >= 0x80
// together with the letter after it becomes one invalid character, and all
// such characters compare equal ("Müller" would find "Möller"). The search
// keeps its SQL and checks the engine's hits with this.

#include <string_view>

bool LikeMatch(std::string_view strPattern, std::string_view strText);
