#include "framework/RegistryProfileStore.h"

#include "framework/Win32.h"

#include <utility>
#include <vector>

#include "core/framework/MultiString.h"
#include "framework/TextConvert.h"
#include "framework/Unique.h"

namespace {

struct CloseRegKey {
    void operator()(HKEY h) const { ::RegCloseKey(h); }
};
using UniqueRegKey = Unique<HKEY, CloseRegKey>;

constexpr REGSAM kAccess = KEY_READ | KEY_WRITE;

UniqueRegKey CreateSubKey(HKEY parent, const char* name) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (::RegCreateKeyExA(parent, name, 0, nullptr, REG_OPTION_NON_VOLATILE, kAccess, nullptr, &key,
                          &disposition) != ERROR_SUCCESS)
        return UniqueRegKey();
    return UniqueRegKey(key);
}

// Opens (creating as needed) Software\company\application\section under HKEY_CURRENT_USER.
UniqueRegKey OpenSectionKey(const std::string& company, const std::string& application, const char* section) {
    HKEY software = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, kAccess, &software) != ERROR_SUCCESS)
        return UniqueRegKey();
    UniqueRegKey softwareKey(software);
    UniqueRegKey companyKey = CreateSubKey(softwareKey.get(), company.c_str());
    if (!companyKey) return UniqueRegKey();
    UniqueRegKey appKey = CreateSubKey(companyKey.get(), application.c_str());
    if (!appKey) return UniqueRegKey();
    return CreateSubKey(appKey.get(), section);
}

}  // namespace

RegistryProfileStore::RegistryProfileStore(std::string company, std::string application)
    : m_strCompany(std::move(company)), m_strApplication(std::move(application)) {}

uint32_t RegistryProfileStore::GetProfileInt(const char* section, const char* entry, uint32_t def) {
    UniqueRegKey key = OpenSectionKey(m_strCompany, m_strApplication, section);
    if (!key) return def;
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof(value);
    // A value of another type (text typed in by hand, say) means nothing as a number: it counts
    // as missing rather than as whatever its first four bytes happen to be.
    if (::RegQueryValueExA(key.get(), entry, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof(value))
        return def;
    return value;
}

std::string RegistryProfileStore::GetProfileString(const char* section, const char* entry,
                                                   const std::string& def) {
    UniqueRegKey key = OpenSectionKey(m_strCompany, m_strApplication, section);
    if (!key) return def;
    // Read in UTF-16 and converted: the size RegQueryValueExA reports for a buffer that is too
    // small is the stored UTF-16 size, which is less than the UTF-8 text needs (three bytes for
    // a character stored in two), so asking again with it could fail for ever.
    const std::wstring name = WideFromAnsi(entry);
    std::vector<wchar_t> data(MAX_PATH + 1);
    for (;;) {
        DWORD type = 0;
        // One unit kept back so that text stored without its terminating zero still ends.
        DWORD size = static_cast<DWORD>((data.size() - 1) * sizeof(wchar_t));
        LSTATUS status = ::RegQueryValueExW(key.get(), name.c_str(), nullptr, &type,
                                            reinterpret_cast<BYTE*>(data.data()), &size);
        if (status == ERROR_MORE_DATA) {
            // The value grew or is long: ask again with the size the registry reported.
            data.assign(size / sizeof(wchar_t) + 2, L'\0');
            continue;
        }
        if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return def;
        data[size / sizeof(wchar_t)] = L'\0';
        return AnsiFromWide(data.data());  // up to the first zero
    }
}

bool RegistryProfileStore::WriteProfileInt(const char* section, const char* entry, uint32_t value) {
    UniqueRegKey key = OpenSectionKey(m_strCompany, m_strApplication, section);
    if (!key) return false;
    DWORD data = value;
    return ::RegSetValueExA(key.get(), entry, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                            sizeof(data)) == ERROR_SUCCESS;
}

bool RegistryProfileStore::WriteProfileString(const char* section, const char* entry,
                                              const std::string& value) {
    UniqueRegKey key = OpenSectionKey(m_strCompany, m_strApplication, section);
    if (!key) return false;
    // Stored as UTF-16 (what RegSetValueExA would store too), its terminating zero counted in
    // the length, as REG_SZ readers expect.
    const std::wstring text = WideFromAnsi(value);
    return ::RegSetValueExW(key.get(), WideFromAnsi(entry).c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(text.c_str()),
                            static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

std::vector<std::string> RegistryProfileStore::GetProfileStrings(const char* section, const char* entry) {
    UniqueRegKey key = OpenSectionKey(m_strCompany, m_strApplication, section);
    if (!key) return {};
    const std::wstring name = WideFromAnsi(entry);
    // Raw bytes, not RegGetValueW: the data is read only as far as the size the registry reports,
    // whatever its zeros, so a value written by hand without them (or of odd length) cannot lead
    // the parse past its end.
    std::vector<uint8_t> data(512);
    DWORD type = 0;
    for (;;) {
        DWORD size = static_cast<DWORD>(data.size());
        const LSTATUS status =
            ::RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, data.data(), &size);
        if (status == ERROR_MORE_DATA) {
            data.assign(size + 2, 0);  // the value grew meanwhile, or is long
            continue;
        }
        if (status != ERROR_SUCCESS) return {};
        data.resize(size);
        break;
    }
    // One folder typed in by hand as a plain text is a list of one; other types hold no texts.
    const bool single = type == REG_SZ || type == REG_EXPAND_SZ;
    if (type != REG_MULTI_SZ && !single) return {};
    std::vector<std::string> texts;
    for (const std::u16string& text : orv::TextsOfMultiString(data.data(), data.size(), single))
        texts.push_back(AnsiFromWide(std::wstring(text.begin(), text.end())));
    return texts;
}

bool RegistryProfileStore::WriteProfileStrings(const char* section, const char* entry,
                                               const std::vector<std::string>& values) {
    UniqueRegKey key = OpenSectionKey(m_strCompany, m_strApplication, section);
    if (!key) return false;
    // An empty list is written too, as an empty multi-string: after OK every setting exists, and
    // "none" reads the same as a missing value.
    std::vector<std::u16string> texts;
    for (const std::string& value : values) {
        const std::wstring wide = WideFromAnsi(value);
        texts.emplace_back(wide.begin(), wide.end());
    }
    const std::u16string data = orv::MultiStringOf(texts);
    return ::RegSetValueExW(key.get(), WideFromAnsi(entry).c_str(), 0, REG_MULTI_SZ,
                            reinterpret_cast<const BYTE*>(data.data()),
                            static_cast<DWORD>(data.size() * sizeof(char16_t))) == ERROR_SUCCESS;
}
