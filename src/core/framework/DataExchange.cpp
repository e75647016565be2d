#include "core/framework/DataExchange.h"

namespace orv {

namespace {

// An edit box's number is read from a 32-byte buffer: 31 characters and the terminator.
constexpr size_t kMaxNumberText = 31;

bool IsSpaceOrTab(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

void SetTextIfDifferent(IDialogControls& controls, int id, const std::string& text) {
    // Setting an edit box's text sends EN_CHANGE even when nothing changes; skip the no-op.
    if (controls.GetText(id) != text) controls.SetText(id, text);
}

}  // namespace

void DataExchange::Fail(const std::string& text) {
    m_controls.ShowMessage(text);
    if (m_idLastControl != 0) m_controls.FocusControl(m_idLastControl, m_bEditLastControl);
    m_bFailed = true;
}

bool ReadUnsignedText(std::string_view text, uint32_t& value) {
    text = text.substr(0, kMaxNumberText);
    size_t i = 0;
    while (i < text.size() && IsSpaceOrTab(text[i]))
        ++i;
    const size_t first = i;

    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    uint64_t magnitude = 0;
    bool overflow = false;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        if (overflow) continue;
        magnitude = magnitude * 10 + static_cast<uint64_t>(text[i] - '0');
        overflow = magnitude > UINT32_MAX;
    }
    uint32_t number = static_cast<uint32_t>(magnitude);
    if (overflow)
        number = UINT32_MAX;
    else if (negative)
        number = 0u - number;  // modulo 2^32, as the C library's strtoul does on 32-bit longs

    // 0 is a number only when it was written with a leading '0': no digits at all, or "+0", fail.
    if (number == 0 && (first == text.size() || text[first] != '0')) return false;
    while (i < text.size() && IsSpaceOrTab(text[i]))
        ++i;
    if (i != text.size()) return false;
    value = number;
    return true;
}

std::string FormatPrompt2(std::string_view pattern, std::string_view first, std::string_view second) {
    std::string out;
    out.reserve(pattern.size() + first.size() + second.size());
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && (pattern[i + 1] == '1' || pattern[i + 1] == '2')) {
            out += pattern[i + 1] == '1' ? first : second;
            ++i;
        } else {
            out += pattern[i];
        }
    }
    return out;
}

bool DDX_Text(DataExchange& dx, int id, std::string& value) {
    if (dx.Failed()) return false;
    dx.PrepareEditCtrl(id);
    if (dx.SaveAndValidate())
        value = dx.Controls().GetText(id);
    else
        SetTextIfDifferent(dx.Controls(), id, value);
    return true;
}

bool DDX_Text(DataExchange& dx, int id, uint32_t& value) {
    if (dx.Failed()) return false;
    dx.PrepareEditCtrl(id);
    if (!dx.SaveAndValidate()) {
        SetTextIfDifferent(dx.Controls(), id, std::to_string(value));
        return true;
    }
    if (!ReadUnsignedText(dx.Controls().GetText(id), value)) {
        dx.Fail(dx.Controls().ResourceString(kAfxIdpParseUint));
        return false;
    }
    return true;
}

bool DDX_Check(DataExchange& dx, int id, int32_t& value) {
    if (dx.Failed()) return false;
    dx.PrepareCtrl(id);
    if (dx.SaveAndValidate()) {
        value = dx.Controls().GetCheck(id);
    } else {
        if (value < 0 || value > 2) value = 0;  // a stored flag of any other value shows unchecked
        dx.Controls().SetCheck(id, value);
    }
    return true;
}

bool DDX_LBStrings(DataExchange& dx, int id, std::vector<std::string>& values) {
    if (dx.Failed()) return false;
    dx.PrepareCtrl(id);
    if (dx.SaveAndValidate())
        values = dx.Controls().GetItems(id);
    else if (dx.Controls().GetItems(id) != values)
        dx.Controls().SetItems(id, values);
    return true;
}

bool DDV_MinMaxUInt(DataExchange& dx, uint32_t value, uint32_t minValue, uint32_t maxValue) {
    if (dx.Failed()) return false;
    if (!dx.SaveAndValidate() || (value >= minValue && value <= maxValue)) return true;
    dx.Fail(FormatPrompt2(dx.Controls().ResourceString(kAfxIdpParseIntRange), std::to_string(minValue),
                          std::to_string(maxValue)));
    return false;
}

}  // namespace orv
