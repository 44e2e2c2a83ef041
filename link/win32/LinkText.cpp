#include "link/win32/LinkText.h"

#include <windows.h>

namespace orv {

std::string systemText(unsigned long code) {
    wchar_t text[512];
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                             sizeof text / sizeof text[0], nullptr);
    // Messages end in ".\r\n"; the number follows in their place.
    while (n > 0 && (text[n - 1] == L'\r' || text[n - 1] == L'\n' || text[n - 1] == L' ' || text[n - 1] == L'.')) --n;
    for (DWORD i = 0; i < n; ++i)
        if (text[i] == L'\r' || text[i] == L'\n') text[i] = L' ';
    const std::string number = std::to_string(code);
    if (n == 0) return "error " + number;
    return utf8FromWide(std::wstring(text, n)) + " (" + number + ")";
}

namespace {

std::wstring wideFrom(UINT codePage, const std::string& text) {
    const int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &wide[0], n);
    return wide;
}

std::string narrowFrom(UINT codePage, const std::wstring& text) {
    const int n =
        WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), &narrow[0], n, nullptr, nullptr);
    return narrow;
}

}  // namespace

std::wstring wideFromUtf8(const std::string& text) { return wideFrom(CP_UTF8, text); }
std::string utf8FromWide(const std::wstring& text) { return narrowFrom(CP_UTF8, text); }
std::wstring wideFromAnsi(const std::string& text) { return wideFrom(CP_ACP, text); }
std::string ansiFromWide(const std::wstring& text) { return narrowFrom(CP_ACP, text); }

}  // namespace orv
