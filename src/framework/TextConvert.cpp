#include "framework/TextConvert.h"

#include <climits>

#include "core/framework/Unicode.h"

namespace {

// Texts beyond INT_MAX bytes do not reach the conversion calls, whose lengths are ints.
int Length(std::size_t size) { return size > INT_MAX ? INT_MAX : static_cast<int>(size); }

std::wstring ToWide(UINT codePage, std::string_view text) {
    if (text.empty()) return std::wstring();
    const int n = ::MultiByteToWideChar(codePage, 0, text.data(), Length(text.size()), nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    const int got = ::MultiByteToWideChar(codePage, 0, text.data(), Length(text.size()), &wide[0], n);
    wide.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return wide;
}

}  // namespace

std::wstring WideFromAnsi(std::string_view text) { return ToWide(CP_ACP, text); }

std::string AnsiFromWide(std::wstring_view text) {
    if (text.empty()) return std::string();
    // No flags: CP_UTF8, the process code page under the manifest, refuses every one of them.
    const int n =
        ::WideCharToMultiByte(CP_ACP, 0, text.data(), Length(text.size()), nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string narrow(static_cast<std::size_t>(n), '\0');
    const int got =
        ::WideCharToMultiByte(CP_ACP, 0, text.data(), Length(text.size()), &narrow[0], n, nullptr, nullptr);
    narrow.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return narrow;
}

std::wstring WideFromUtf8(std::string_view text) {
    const std::u16string units = orv::Utf8ToUtf16(text);
    return std::wstring(units.begin(), units.end());
}

std::string Utf8FromCodePage(UINT codePage, std::string_view bytes) {
    const std::wstring wide = ToWide(codePage, bytes);
    return orv::Utf16ToUtf8(std::u16string(wide.begin(), wide.end()));
}

UINT LegacyAnsiCodePage() {
    DWORD codePage = 0;
    const LCTYPE type = LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER;
    auto* out = reinterpret_cast<LPWSTR>(&codePage);
    const int units = sizeof(codePage) / sizeof(WCHAR);
    // Wine 8 does not know the name LOCALE_NAME_SYSTEM_DEFAULT (error 87); the older identifier
    // asks the same of it.
    if ((::GetLocaleInfoEx(LOCALE_NAME_SYSTEM_DEFAULT, type, out, units) > 0 ||
         ::GetLocaleInfoW(LOCALE_SYSTEM_DEFAULT, type, out, units) > 0) &&
        codePage != CP_ACP)
        return codePage;
    // Unicode-only locales have no ANSI code page; their programs run in Windows-1252.
    const UINT acp = ::GetACP();
    return acp == CP_UTF8 ? 1252 : acp;
}
