// Text conversion between the form source (UTF-8) and the program image (GBK, the code page of
// the system the programs run on), through iconv(3). Build-machine only.
#pragma once

#include <string>

// UTF-8 to GBK; false (with *error saying which character) when the text is not valid UTF-8
// or holds a character that GBK lacks.
bool Utf8ToGbk(const std::string& utf8, std::string* gbk, std::string* error);

// GBK to UTF-8 for printing. Every byte that is not part of a character that converts both ways
// unchanged is handed to `escape` instead, so the printed text compiles back to the same bytes.
std::string GbkToUtf8Escaped(const std::string& gbk, std::string (*escape)(unsigned char));
