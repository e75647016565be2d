#pragma once
// What an Exif block says of when and where a picture was taken: the date and time the shutter
// fired (DateTimeOriginal, else DateTimeDigitized) and the GPS position. Read from the block the
// file carries, so every offset, count and value is checked; a value that is blank, all zeros,
// out of range or malformed counts as absent.
#include <cstddef>
#include <cstdint>

namespace orv {

// A local date and time as the camera's clock had it (Exif keeps no time zone).
struct TakenAt {
    int year = 0;  // 0: absent
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    bool Known() const { return year != 0; }
    friend bool operator==(const TakenAt& a, const TakenAt& b) {
        return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour &&
               a.minute == b.minute && a.second == b.second;
    }
};

struct GeoPosition {
    bool known = false;
    double latitude = 0;   // degrees, north positive
    double longitude = 0;  // degrees, east positive
};

struct ExifFacts {
    TakenAt taken;
    GeoPosition position;
};

// data/size: the payload of one APP1 segment, starting "Exif\0\0". Nothing known when it is not
// Exif.
ExifFacts ExifFactsOf(const uint8_t* data, size_t size);

// The facts from the first bytes of a picture file: a JPEG's Exif APP1 segment (a segment cut at
// the end of what was read is read as far as it goes), a TIFF file's own directories, a PNG's eXIf
// chunk (before its pixels). Nothing known for any other format, or when the bytes are malformed.
ExifFacts ExifFactsOfFileHead(const uint8_t* data, size_t size);

// "YYYY:MM:DD HH:MM:SS" (the Exif form; the time may be missing). Absent when malformed, blank,
// all zeros, or out of range (years 1826 to 2999; the first photograph is from 1826).
TakenAt ParseExifDate(const char* text, size_t size);

}  // namespace orv
