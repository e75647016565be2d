#pragma once
// An in-memory IProfileStore for host tests. Values are kept per section and entry as either a
// number or a text, with the registry-backed profile's type rules: a number read finds only a
// number, a text read only a text, and a write replaces a value of either type. Every call is
// recorded in order, so a test can check which values were read or written and when.
#include <cstdint>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "core/show/Settings.h"

class FakeProfileStore : public orv::IProfileStore {
public:
    enum class Op { GetInt, GetString, WriteInt, WriteString, GetStrings, WriteStrings };
    struct Access {
        Op op;
        std::string section;
        std::string entry;
        friend bool operator==(const Access& a, const Access& b) {
            return a.op == b.op && a.section == b.section && a.entry == b.entry;
        }
        // A failing comparison names the accesses rather than dumping their bytes.
        friend void PrintTo(const Access& a, std::ostream* os) {
            static const char* const kOps[] = {"GetInt",      "GetString",  "WriteInt",
                                               "WriteString", "GetStrings", "WriteStrings"};
            *os << kOps[static_cast<int>(a.op)] << ' ' << a.section << '\\' << a.entry;
        }
    };

    // Set before use: makes every write fail (and store nothing), like a read-only key.
    bool failWrites = false;
    std::vector<Access> accesses;

    void SetInt(const std::string& section, const std::string& entry, uint32_t value) {
        m_values[{section, entry}] = value;
    }
    void SetString(const std::string& section, const std::string& entry, const std::string& value) {
        m_values[{section, entry}] = value;
    }
    std::optional<uint32_t> Int(const std::string& section, const std::string& entry) const {
        auto it = m_values.find({section, entry});
        if (it == m_values.end() || !std::holds_alternative<uint32_t>(it->second)) return std::nullopt;
        return std::get<uint32_t>(it->second);
    }
    std::optional<std::string> String(const std::string& section, const std::string& entry) const {
        auto it = m_values.find({section, entry});
        if (it == m_values.end() || !std::holds_alternative<std::string>(it->second)) return std::nullopt;
        return std::get<std::string>(it->second);
    }
    void SetStrings(const std::string& section, const std::string& entry,
                    const std::vector<std::string>& value) {
        m_values[{section, entry}] = value;
    }
    std::optional<std::vector<std::string>> Strings(const std::string& section,
                                                    const std::string& entry) const {
        auto it = m_values.find({section, entry});
        if (it == m_values.end() || !std::holds_alternative<std::vector<std::string>>(it->second))
            return std::nullopt;
        return std::get<std::vector<std::string>>(it->second);
    }
    size_t ValueCount() const { return m_values.size(); }

    // The entry names of the recorded calls of one kind, in call order.
    std::vector<std::string> Entries(Op op) const {
        std::vector<std::string> names;
        for (const Access& a : accesses)
            if (a.op == op) names.push_back(a.entry);
        return names;
    }

    uint32_t GetProfileInt(const char* section, const char* entry, uint32_t def) override {
        accesses.push_back({Op::GetInt, section, entry});
        return Int(section, entry).value_or(def);
    }
    std::string GetProfileString(const char* section, const char* entry, const std::string& def) override {
        accesses.push_back({Op::GetString, section, entry});
        return String(section, entry).value_or(def);
    }
    bool WriteProfileInt(const char* section, const char* entry, uint32_t value) override {
        accesses.push_back({Op::WriteInt, section, entry});
        if (failWrites) return false;
        SetInt(section, entry, value);
        return true;
    }
    bool WriteProfileString(const char* section, const char* entry, const std::string& value) override {
        accesses.push_back({Op::WriteString, section, entry});
        if (failWrites) return false;
        SetString(section, entry, value);
        return true;
    }

    // As the registry's multi-string reads: a single text is a list of one.
    std::vector<std::string> GetProfileStrings(const char* section, const char* entry) override {
        accesses.push_back({Op::GetStrings, section, entry});
        if (auto text = String(section, entry))
            return text->empty() ? std::vector<std::string>{} : std::vector{*text};
        return Strings(section, entry).value_or(std::vector<std::string>{});
    }
    bool WriteProfileStrings(const char* section, const char* entry,
                             const std::vector<std::string>& values) override {
        accesses.push_back({Op::WriteStrings, section, entry});
        if (failWrites) return false;
        std::vector<std::string> stored;
        for (const std::string& value : values)
            if (!value.empty()) stored.push_back(value);
        SetStrings(section, entry, stored);
        return true;
    }

private:
    std::map<std::pair<std::string, std::string>,
             std::variant<uint32_t, std::string, std::vector<std::string>>>
        m_values;
};
