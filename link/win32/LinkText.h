// The words of the Win32 links' messages: the system's own text for an
// error number, and the UTF-8, ANSI (the window's texts) and UTF-16 forms
// of a name.
#pragma once
#include <string>

namespace orv {

// "No connection could be made because the target machine actively refused
// it (10061)": one line, in the user's language; "error N" where the system
// has no text for the number.
std::string systemText(unsigned long code);

std::wstring wideFromUtf8(const std::string& text);
std::string utf8FromWide(const std::wstring& text);
std::wstring wideFromAnsi(const std::string& text);
std::string ansiFromWide(const std::wstring& text);

}  // namespace orv
