#pragma once
// The settings store on Windows: HKEY_CURRENT_USER\Software\<company>\<application>\<section>.
// Every access opens "Software", then opens or creates the company, application and section keys
// (so a first read leaves the empty key path behind, as a fresh user expects), does its one read
// or write, and closes them again. No handle is kept between accesses.
#include <string>
#include <vector>

#include "core/framework/ProfileStore.h"

class RegistryProfileStore final : public orv::IProfileStore {
public:
    RegistryProfileStore(std::string company, std::string application);

    uint32_t GetProfileInt(const char* section, const char* entry, uint32_t def) override;
    std::string GetProfileString(const char* section, const char* entry, const std::string& def) override;
    bool WriteProfileInt(const char* section, const char* entry, uint32_t value) override;
    bool WriteProfileString(const char* section, const char* entry, const std::string& value) override;
    std::vector<std::string> GetProfileStrings(const char* section, const char* entry) override;
    bool WriteProfileStrings(const char* section, const char* entry,
                             const std::vector<std::string>& values) override;

private:
    std::string m_strCompany;
    std::string m_strApplication;
};
