#include "core/show/InfoLine.h"

#include <algorithm>
#include <cmath>

namespace orv {
namespace {

bool Empty(const Rect& r) { return r.right <= r.left || r.bottom <= r.top; }

bool Overlap(const Rect& a, const Rect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// Days since 1970-01-01 of a civil date (Howard Hinnant's algorithm), and back.
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2));
}

}  // namespace

std::string JoinInfoParts(const std::vector<std::string>& parts) {
    std::string line;
    for (const std::string& part : parts) {
        if (part.empty()) continue;
        if (!line.empty()) line += kInfoSeparator;
        line += part;
    }
    return line;
}

std::string PlaceText(const std::string& town, const std::string& country) {
    if (town.empty()) return country;
    if (country.empty()) return town;
    return town + ", " + country;
}

std::string FolderNameOf(const std::string& picturePath) {
    const size_t slash = picturePath.find_last_of("\\/");
    if (slash == std::string::npos) return {};
    size_t end = slash;
    while (end > 0 && (picturePath[end - 1] == '\\' || picturePath[end - 1] == '/'))
        --end;
    const size_t start = picturePath.find_last_of("\\/", end == 0 ? 0 : end - 1);
    const size_t from = start == std::string::npos ? 0 : start + 1;
    if (end <= from) return {};
    std::string name = picturePath.substr(from, end - from);
    // "C:" is a drive, not a folder; so is the "\\?\" prefix's "?" and a share's server alone.
    if (name.size() == 2 && name[1] == ':') return {};
    if (name == "?" || name == ".") return {};
    if (start != std::string::npos && start <= 1 && picturePath.compare(0, 2, "\\\\") == 0) return {};
    return name;
}

bool UsablePosition(double latitude, double longitude) {
    if (!std::isfinite(latitude) || !std::isfinite(longitude)) return false;
    if (latitude < -90 || latitude > 90 || longitude < -180 || longitude > 180) return false;
    return !(latitude == 0 && longitude == 0);
}

int64_t SecondsOf(const TakenAt& t) {
    return DaysFromCivil(t.year, t.month, t.day) * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

TakenAt TakenAtOfSeconds(int64_t seconds) {
    // 1826-01-01 to 2999-12-31 23:59:59: what an Exif date can say.
    constexpr int64_t kFirst = -4544208000LL, kLast = 32503680000LL - 1;
    if (seconds < kFirst || seconds > kLast) return {};
    const int64_t days = seconds >= 0 ? seconds / 86400 : -((-seconds + 86399) / 86400);
    const int64_t rest = seconds - days * 86400;
    TakenAt t;
    CivilFromDays(days, t.year, t.month, t.day);
    t.hour = static_cast<int>(rest / 3600);
    t.minute = static_cast<int>(rest / 60 % 60);
    t.second = static_cast<int>(rest % 60);
    return t;
}

int32_t InfoFontHeight(int32_t monitorHeight, int32_t dpi) {
    const int32_t least = std::max<int32_t>(1, 12 * std::max<int32_t>(dpi, 72) / 72);
    return std::max(least, monitorHeight / 40);
}

std::optional<Rect> PlaceInfoLine(const Rect& area, Size line, const Rect& captionBox, int32_t margin) {
    margin = std::max<int32_t>(0, margin);
    const int32_t room = area.Width() - 2 * margin;
    if (line.cx <= 0 || line.cy <= 0 || room <= 0 || line.cy > area.Height() - 2 * margin)
        return std::nullopt;
    const int32_t cx = std::min(line.cx, room);
    const int32_t left = area.left + margin, right = area.right - margin - cx;
    const int32_t top = area.top + margin, bottom = area.bottom - margin - line.cy;
    // In order of preference when distances tie: bottom left, bottom right, top left, top right.
    const Rect corners[] = {
        {left, bottom, left + cx, bottom + line.cy},
        {right, bottom, right + cx, bottom + line.cy},
        {left, top, left + cx, top + line.cy},
        {right, top, right + cx, top + line.cy},
    };
    if (Empty(captionBox)) return corners[0];
    const double boxX = (captionBox.left + captionBox.right) / 2.0,
                 boxY = (captionBox.top + captionBox.bottom) / 2.0;
    std::optional<Rect> best;
    double bestDistance = -1;
    for (const Rect& c : corners) {
        if (Overlap(c, captionBox)) continue;
        const double dx = (c.left + c.right) / 2.0 - boxX, dy = (c.top + c.bottom) / 2.0 - boxY;
        const double distance = dx * dx + dy * dy;
        if (distance > bestDistance) {
            best = c;
            bestDistance = distance;
        }
    }
    return best;
}

}  // namespace orv
