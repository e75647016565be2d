#pragma once
// Between the program's narrow strings and the wide ones of the W calls. Narrow strings are in the
// process code page: UTF-8 where the manifest's activeCodePage is honoured (Windows 10 1903 and
// later), the user's legacy ANSI code page before that. Going through the W calls and converting
// here avoids the A calls' buffers, which are sized in characters (MAX_PATH in WIN32_FIND_DATAA)
// and too small once a character takes up to three bytes.
#include <string>
#include <string_view>

#include "framework/Win32.h"

// Narrow text in the process code page to UTF-16.
std::wstring WideFromAnsi(std::string_view text);
// UTF-16 to the process code page; characters it cannot hold become its default character.
std::string AnsiFromWide(std::wstring_view text);
// Valid or not, UTF-8 to UTF-16 (bad bytes become U+FFFD).
std::wstring WideFromUtf8(std::string_view text);
// Bytes in a given code page to UTF-8.
std::string Utf8FromCodePage(UINT codePage, std::string_view bytes);
// The system's legacy ANSI code page: the one GetACP gave before the manifest made the process
// code page UTF-8 (GetACP says 65001 now, so it cannot tell).
UINT LegacyAnsiCodePage();
