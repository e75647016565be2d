#include "core/framework/LongPath.h"

#include <gtest/gtest.h>

#include <string>

using orv::LongPathForm;

namespace {

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

}  // namespace

TEST(LongPathForm, PrefixesAbsolutePathsAndRefusesTheOthers) {
    struct Case {
        const wchar_t* in;
        const wchar_t* out;  // empty: not absolute
    };
    const Case cases[] = {
        {L"C:\\Pictures\\a.jpg", L"\\\\?\\C:\\Pictures\\a.jpg"},
        {L"d:\\x", L"\\\\?\\d:\\x"},
        {L"C:\\Pictures\\", L"\\\\?\\C:\\Pictures\\"},  // a trailing backslash stays
        {L"C:\\", L"\\\\?\\C:\\"},
        {L"C:", L"\\\\?\\C:\\"},  // the drive's root, as the walk means it
        {L"C:/Pictures/sub/a.jpg", L"\\\\?\\C:\\Pictures\\sub\\a.jpg"},
        {L"C:\\Pictures\\\\sub//a.jpg", L"\\\\?\\C:\\Pictures\\sub\\a.jpg"},
        {L"\\\\server\\share\\Pictures\\a.jpg", L"\\\\?\\UNC\\server\\share\\Pictures\\a.jpg"},
        {L"//server/share/a.jpg", L"\\\\?\\UNC\\server\\share\\a.jpg"},
        {L"\\\\server\\share", L"\\\\?\\UNC\\server\\share"},
        {L"\\\\?\\C:\\Pictures\\a.jpg", L"\\\\?\\C:\\Pictures\\a.jpg"},
        {L"\\\\?\\UNC\\server\\share\\a.jpg", L"\\\\?\\UNC\\server\\share\\a.jpg"},
        {L"\\\\?\\C:\\a//b", L"\\\\?\\C:\\a//b"},  // verbatim: taken as it is
        {L"\\\\.\\PhysicalDrive0", L"\\\\.\\PhysicalDrive0"},
        {L"//?/C:/a", L"\\\\?\\C:\\a"},
        {L"C:relative\\a.jpg", L""},
        {L"\\Pictures\\a.jpg", L""},
        {L"Pictures\\a.jpg", L""},
        {L"a.jpg", L""},
        {L"", L""},
        {L"\\\\", L""},
        {L"1:\\x", L""},
        {L"C:\\Pictures\\..\\Other", L""},
        {L"C:\\Pictures\\.", L""},
        {L"\\\\server\\share\\.\\a.jpg", L""},
        {L"C:\\a.\\b \\..c\\.d.jpg", L"\\\\?\\C:\\a.\\b \\..c\\.d.jpg"},  // dots and spaces in names stay
    };
    for (const Case& c : cases)
        EXPECT_EQ(Narrow(LongPathForm(c.in)), Narrow(c.out)) << Narrow(c.in);
}

TEST(LongPathForm, KeepsCharactersBeyondAscii) {
    const std::wstring in = L"C:\\\x65E5\x672C\\caf\x00E9.jpg";
    EXPECT_EQ(LongPathForm(in), L"\\\\?\\" + in);
}
