#include "core/app/CommandLine.h"

#include "core/framework/Ascii.h"

namespace orv {
namespace {

// One leading '-' or '/' is optional; only one is skipped, so "//s" is not a switch.
const char* SkipSwitchPrefix(const char* arg) { return (*arg == '-' || *arg == '/') ? arg + 1 : arg; }

// The C library's isspace in the "C" locale: what the runtime's number reader skips.
bool IsCSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

}  // namespace

bool IsSwitch(const char* arg, const char* letter) {
    if (arg == nullptr || letter == nullptr) return false;
    const unsigned char* a = reinterpret_cast<const unsigned char*>(SkipSwitchPrefix(arg));
    const unsigned char* b = reinterpret_cast<const unsigned char*>(letter);
    // Whole-string compare: "/scr" must not pass as "s".
    for (;; ++a, ++b) {
        if (FoldAscii(*a) != FoldAscii(*b)) return false;
        if (*a == '\0') return true;
    }
}

bool GetSwitchValue(const char* arg, char letter, int32_t& value) {
    if (arg == nullptr || letter == '\0') return false;
    const char* p = SkipSwitchPrefix(arg);
    if (FoldAscii(static_cast<unsigned char>(*p)) != FoldAscii(static_cast<unsigned char>(letter)))
        return false;
    ++p;
    if (*p == ':' || *p == '=') ++p;
    value = ReadSignedDecimal(p);
    return true;
}

int32_t ReadSignedDecimal(const char* text) {
    if (text == nullptr) return 0;
    const char* p = text;
    while (IsCSpace(*p))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    // Window handles arrive as decimal text and may exceed 31 bits; they wrap as the runtime's
    // reader does. Unsigned arithmetic makes the wrap defined behaviour.
    uint32_t magnitude = 0;
    while (*p >= '0' && *p <= '9') {
        magnitude = magnitude * 10u + static_cast<uint32_t>(*p - '0');
        ++p;
    }
    if (negative) magnitude = 0u - magnitude;
    return static_cast<int32_t>(magnitude);
}

ModeDecision DecideMode(const std::vector<std::string>& args) {
    if (args.empty()) return {SaverMode::Settings, 0};

    const char* first = args[0].c_str();
    if (IsSwitch(first, "c")) return {SaverMode::Settings, 0};

    int32_t owner = 0;
    if (GetSwitchValue(first, 'c', owner)) return {SaverMode::Settings, owner};

    if (IsSwitch(first, "p")) {
        // Without a parent window there is no client rectangle to fill, so a preview request
        // that names none ends like an unknown switch.
        if (args.size() < 2) return {SaverMode::None, 0};
        const int32_t parent = ReadSignedDecimal(args[1].c_str());
        if (parent == 0) return {SaverMode::None, 0};
        return {SaverMode::Preview, parent};
    }

    if (IsSwitch(first, "s")) return {SaverMode::FullScreen, 0};

    return {SaverMode::None, 0};
}

}  // namespace orv
