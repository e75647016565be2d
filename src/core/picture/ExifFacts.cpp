#include "core/picture/ExifFacts.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/picture/TiffView.h"

namespace orv {
namespace {

constexpr uint16_t kExifDirectoryTag = 0x8769;
constexpr uint16_t kGpsDirectoryTag = 0x8825;
constexpr uint16_t kDateTimeOriginal = 0x9003;
constexpr uint16_t kDateTimeDigitized = 0x9004;
constexpr uint16_t kGpsLatitudeRef = 1;
constexpr uint16_t kGpsLatitude = 2;
constexpr uint16_t kGpsLongitudeRef = 3;
constexpr uint16_t kGpsLongitude = 4;
constexpr uint16_t kTypeAscii = 2;
constexpr uint16_t kTypeLong = 4;
constexpr uint16_t kTypeRational = 5;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Digits at text[at, at + n) as a number; -1 when any is not a digit.
int Digits(const char* text, size_t at, size_t n) {
    int value = 0;
    for (size_t i = at; i < at + n; ++i) {
        if (!IsDigit(text[i])) return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

// A sub-directory's offset: a LONG (or the IFD type 13) with one value.
bool DirectoryOffset(const TiffView& view, const TiffView::Entry& entry, uint32_t& offset) {
    return (entry.type == kTypeLong || entry.type == 13) && entry.count == 1 &&
           view.Read32(entry.valueAt, offset);
}

TakenAt DateOf(const TiffView& view, const TiffView::Entry& entry) {
    if (entry.type != kTypeAscii || entry.count < 10 || entry.count > 64) return {};
    const uint8_t* p = view.At(entry.valueAt, entry.count);
    return p ? ParseExifDate(reinterpret_cast<const char*>(p), entry.count) : TakenAt{};
}

// Degrees, minutes and seconds as three RATIONALs; NaN when malformed.
double AngleOf(const TiffView& view, const TiffView::Entry& entry) {
    if (entry.type != kTypeRational || entry.count != 3) return NAN;
    double parts[3];
    for (int i = 0; i < 3; ++i) {
        uint32_t num = 0, den = 0;
        if (!view.Read32(entry.valueAt + 8 * i, num) || !view.Read32(entry.valueAt + 8 * i + 4, den) ||
            den == 0)
            return NAN;
        parts[i] = static_cast<double>(num) / den;
    }
    if (parts[1] >= 60 || parts[2] >= 60) return NAN;
    return parts[0] + parts[1] / 60 + parts[2] / 3600;
}

// 'N', 'S', 'E' or 'W' as one ASCII character (and its terminator).
char RefOf(const TiffView& view, const TiffView::Entry& entry) {
    if (entry.type != kTypeAscii || entry.count < 1 || entry.count > 2) return 0;
    const uint8_t* p = view.At(entry.valueAt, 1);
    return p ? static_cast<char>(*p) : 0;
}

GeoPosition PositionOf(const TiffView& view, uint32_t directory) {
    char latRef = 0, lonRef = 0;
    double lat = NAN, lon = NAN;
    view.ForEachEntry(directory, [&](const TiffView::Entry& entry) {
        switch (entry.tag) {
        case kGpsLatitudeRef:
            latRef = RefOf(view, entry);
            break;
        case kGpsLatitude:
            lat = AngleOf(view, entry);
            break;
        case kGpsLongitudeRef:
            lonRef = RefOf(view, entry);
            break;
        case kGpsLongitude:
            lon = AngleOf(view, entry);
            break;
        default:
            break;
        }
        return true;
    });
    GeoPosition position;
    if ((latRef != 'N' && latRef != 'S') || (lonRef != 'E' && lonRef != 'W')) return position;
    if (!(lat <= 90) || !(lon <= 180)) return position;  // also NaN
    // A receiver without a fix writes zeros: no photograph is taken at exactly 0, 0.
    if (lat == 0 && lon == 0) return position;
    position.known = true;
    position.latitude = latRef == 'S' ? -lat : lat;
    position.longitude = lonRef == 'W' ? -lon : lon;
    return position;
}

}  // namespace

TakenAt ParseExifDate(const char* text, size_t size) {
    // The terminator, and any padding after the value, are not part of it.
    while (size > 0 && (text[size - 1] == '\0' || text[size - 1] == ' '))
        --size;
    if (size != 10 && size != 19) return {};
    if (text[4] != ':' || text[7] != ':') return {};
    TakenAt t;
    t.year = Digits(text, 0, 4);
    t.month = Digits(text, 5, 2);
    t.day = Digits(text, 8, 2);
    if (size == 19) {
        if (text[10] != ' ' || text[13] != ':' || text[16] != ':') return {};
        t.hour = Digits(text, 11, 2);
        t.minute = Digits(text, 14, 2);
        t.second = Digits(text, 17, 2);
    }
    if (t.year < 1826 || t.year > 2999 || t.month < 1 || t.month > 12 || t.day < 1 ||
        t.day > DaysInMonth(t.year, t.month) || t.hour < 0 || t.hour > 23 || t.minute < 0 || t.minute > 59 ||
        t.second < 0 || t.second > 60)
        return {};
    return t;
}

namespace {

ExifFacts FactsOf(const TiffView& view, uint32_t first) {
    ExifFacts facts;
    uint32_t exifDirectory = 0, gpsDirectory = 0;
    view.ForEachEntry(first, [&](const TiffView::Entry& entry) {
        if (entry.tag == kExifDirectoryTag) DirectoryOffset(view, entry, exifDirectory);
        if (entry.tag == kGpsDirectoryTag) DirectoryOffset(view, entry, gpsDirectory);
        return true;
    });
    // Each sub-directory is read once, from the first; neither can hold the reader in a loop.
    if (exifDirectory != 0) {
        TakenAt original, digitized;
        view.ForEachEntry(exifDirectory, [&](const TiffView::Entry& entry) {
            if (entry.tag == kDateTimeOriginal) original = DateOf(view, entry);
            if (entry.tag == kDateTimeDigitized) digitized = DateOf(view, entry);
            return true;
        });
        facts.taken = original.Known() ? original : digitized;
    }
    if (gpsDirectory != 0) facts.position = PositionOf(view, gpsDirectory);
    return facts;
}

uint32_t Big32(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

// The TIFF structure at data (a TIFF file, or a PNG eXIf chunk's data).
ExifFacts FactsOfTiff(const uint8_t* data, size_t size) {
    if (!data || size < 8) return {};
    bool big;
    if (data[0] == 'I' && data[1] == 'I')
        big = false;
    else if (data[0] == 'M' && data[1] == 'M')
        big = true;
    else
        return {};
    const TiffView view(data, size, big);
    uint16_t magic = 0;
    uint32_t first = 0;
    if (!view.Read16(2, magic) || magic != 42 || !view.Read32(4, first)) return {};
    return FactsOf(view, first);
}

}  // namespace

ExifFacts ExifFactsOf(const uint8_t* data, size_t size) {
    TiffView view(nullptr, 0, false);
    uint32_t first = 0;
    if (!TiffView::OfExif(data, size, view, first)) return {};
    return FactsOf(view, first);
}

ExifFacts ExifFactsOfFileHead(const uint8_t* data, size_t size) {
    if (!data || size < 8) return {};
    if (data[0] == 0xFF && data[1] == 0xD8) {
        // JPEG: the markers up to the first scan; the first APP1 that is Exif holds the block.
        size_t at = 2;
        while (at + 4 <= size) {
            if (data[at] != 0xFF) return {};
            const uint8_t marker = data[at + 1];
            if (marker == 0xFF) {  // fill byte
                ++at;
                continue;
            }
            if (marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
                at += 2;
                continue;
            }
            if (marker == 0xDA || marker == 0xD9) return {};
            const size_t length = (size_t(data[at + 2]) << 8) | data[at + 3];
            if (length < 2) return {};
            // A segment cut at the end of what was read is read as far as it goes.
            const size_t available = std::min(length - 2, size - (at + 4));
            if (marker == 0xE1 && available >= 6 && std::memcmp(data + at + 4, "Exif\0\0", 6) == 0)
                return ExifFactsOf(data + at + 4, available);
            at += 2 + length;
        }
        return {};
    }
    if ((data[0] == 'I' && data[1] == 'I' && data[2] == 42 && data[3] == 0) ||
        (data[0] == 'M' && data[1] == 'M' && data[2] == 0 && data[3] == 42))
        return FactsOfTiff(data, size);
    static constexpr uint8_t kPng[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (std::memcmp(data, kPng, 8) == 0) {
        // PNG: the chunks up to the pixels; eXIf holds a TIFF structure without the Exif prefix.
        size_t at = 8;
        while (at + 8 <= size) {
            const uint32_t length = Big32(data + at);
            const uint8_t* type = data + at + 4;
            if (length > size - (at + 8)) return {};  // cut, or not a chunk at all
            if (std::memcmp(type, "eXIf", 4) == 0) return FactsOfTiff(data + at + 8, length);
            if (std::memcmp(type, "IDAT", 4) == 0 || std::memcmp(type, "IEND", 4) == 0) return {};
            at += size_t(12) + length;
        }
    }
    return {};
}

}  // namespace orv
