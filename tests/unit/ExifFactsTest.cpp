#include "core/picture/ExifFacts.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

using namespace orv;

namespace {

// An Exif APP1 payload built from three directories: the first, the Exif one and the GPS one,
// each a list of entries whose values are given as bytes in the payload's byte order.
struct Entry {
    uint16_t tag, type;
    uint32_t count;
    std::vector<uint8_t> value;
};

class ExifBuilder {
public:
    explicit ExifBuilder(bool big) : m_big(big) {}

    std::vector<uint8_t> U32(uint32_t v) const {
        return m_big ? std::vector<uint8_t>{uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)}
                     : std::vector<uint8_t>{uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    }
    static std::vector<uint8_t> Ascii(const std::string& s) {
        return std::vector<uint8_t>(s.c_str(), s.c_str() + s.size() + 1);
    }
    Entry Date(uint16_t tag, const std::string& s) const {
        return Entry{tag, 2, static_cast<uint32_t>(s.size() + 1), Ascii(s)};
    }
    Entry Angle(uint16_t tag, uint32_t d, uint32_t dd, uint32_t m, uint32_t md, uint32_t s,
                uint32_t sd) const {
        std::vector<uint8_t> v;
        for (uint32_t x : {d, dd, m, md, s, sd}) {
            const std::vector<uint8_t> b = U32(x);
            v.insert(v.end(), b.begin(), b.end());
        }
        return Entry{tag, 5, 3, v};
    }
    Entry Ref(uint16_t tag, char c) const { return Entry{tag, 2, 2, {uint8_t(c), 0}}; }

    // Lays out the header, the directories and their out-of-line values; the first directory
    // points at the other two when they have entries (pointExif/pointGps false leave a pointer out).
    std::vector<uint8_t> Build(std::vector<Entry> first, const std::vector<Entry>& exif,
                               const std::vector<Entry>& gps, uint32_t exifPointer = 0,
                               uint32_t gpsPointer = 0) const {
        const auto size = [](const std::vector<Entry>& d) { return 2 + 12 * d.size() + 4; };
        const size_t firstAt = 8;
        const size_t exifAt = firstAt + size(first) + (exif.empty() ? 0 : 12) + (gps.empty() ? 0 : 12);
        const size_t gpsAt = exifAt + (exif.empty() ? 0 : size(exif));
        if (!exif.empty())
            first.push_back(Entry{0x8769, 4, 1, U32(exifPointer ? exifPointer : uint32_t(exifAt))});
        if (!gps.empty())
            first.push_back(Entry{0x8825, 4, 1, U32(gpsPointer ? gpsPointer : uint32_t(gpsAt))});
        std::vector<uint8_t> t = {uint8_t(m_big ? 'M' : 'I'), uint8_t(m_big ? 'M' : 'I')};
        Put16(t, 42);
        Append(t, U32(firstAt));
        std::vector<uint8_t> values;
        const size_t valuesAt = gpsAt + (gps.empty() ? 0 : size(gps));
        const std::vector<Entry>* directories[] = {&first, &exif, &gps};
        for (const std::vector<Entry>* d : directories) {
            if (d->empty()) continue;
            Put16(t, static_cast<uint16_t>(d->size()));
            for (const Entry& e : *d) {
                Put16(t, e.tag);
                Put16(t, e.type);
                Append(t, U32(e.count));
                if (e.value.size() <= 4) {
                    std::vector<uint8_t> inline4 = e.value;
                    inline4.resize(4);
                    Append(t, inline4);
                } else {
                    Append(t, U32(static_cast<uint32_t>(valuesAt + values.size())));
                    values.insert(values.end(), e.value.begin(), e.value.end());
                }
            }
            Append(t, U32(0));
        }
        Append(t, values);
        std::vector<uint8_t> payload = {'E', 'x', 'i', 'f', 0, 0};
        Append(payload, t);
        return payload;
    }

private:
    void Put16(std::vector<uint8_t>& t, uint16_t v) const {
        t.push_back(m_big ? uint8_t(v >> 8) : uint8_t(v));
        t.push_back(m_big ? uint8_t(v) : uint8_t(v >> 8));
    }
    static void Append(std::vector<uint8_t>& t, const std::vector<uint8_t>& b) {
        t.insert(t.end(), b.begin(), b.end());
    }
    bool m_big;
};

ExifFacts Parse(const std::vector<uint8_t>& p) { return ExifFactsOf(p.data(), p.size()); }

}  // namespace

TEST(ExifFacts, DatesAndTheirFallBack) {
    struct Case {
        const char* original;  // nullptr: no entry
        const char* digitized;
        TakenAt want;
    };
    const Case cases[] = {
        {"2019:08:12 18:04:31", nullptr, {2019, 8, 12, 18, 4, 31}},
        {"2019:08:12 18:04:31", "2001:01:01 00:00:00", {2019, 8, 12, 18, 4, 31}},
        {"0000:00:00 00:00:00", "2018:02:28 07:00:00", {2018, 2, 28, 7, 0, 0}},
        {"                   ", "2018:02:28 07:00:00", {2018, 2, 28, 7, 0, 0}},
        {"2019:08:12", nullptr, {2019, 8, 12, 0, 0, 0}},
        {"2020:02:29 12:00:00", nullptr, {2020, 2, 29, 12, 0, 0}},
        {"2019:02:29 12:00:00", nullptr, {}},  // no such day
        {"2019:13:01 12:00:00", nullptr, {}},
        {"2019:08:12 24:00:00", nullptr, {}},
        {"1700:01:01 00:00:00", nullptr, {}},
        {"2019-08-12 18:04:31", nullptr, {}},
        {"2019:08:12 18:04:3x", nullptr, {}},
        {"2019:08:12 18:04", nullptr, {}},
        {nullptr, nullptr, {}},
    };
    for (bool big : {false, true}) {
        const ExifBuilder b(big);
        for (const Case& c : cases) {
            std::vector<Entry> exif = {Entry{0x829A, 5, 1, b.U32(1)}};  // an exposure time first
            if (c.original) exif.push_back(b.Date(0x9003, c.original));
            if (c.digitized) exif.push_back(b.Date(0x9004, c.digitized));
            const ExifFacts facts = Parse(b.Build({Entry{0x0112, 3, 1, {1, 0}}}, exif, {}));
            EXPECT_EQ(facts.taken, c.want) << (big ? "MM " : "II ") << (c.original ? c.original : "-");
        }
    }
}

TEST(ExifFacts, GpsPositions) {
    const ExifBuilder b(false);
    const auto lat = [&](uint32_t d, uint32_t m, uint32_t s100) { return b.Angle(2, d, 1, m, 1, s100, 100); };
    const auto lon = [&](uint32_t d, uint32_t m, uint32_t s100) { return b.Angle(4, d, 1, m, 1, s100, 100); };
    struct Case {
        const char* what;
        std::vector<Entry> gps;
        bool known;
        double latitude, longitude;
    };
    const Case cases[] = {
        {"Heraklion",
         {b.Ref(1, 'N'), lat(35, 20, 1932), b.Ref(3, 'E'), lon(25, 8, 3912)},
         true,
         35.338700,
         25.144200},
        {"south and west",
         {b.Ref(1, 'S'), lat(33, 52, 0), b.Ref(3, 'W'), lon(70, 30, 0)},
         true,
         -33.866667,
         -70.5},
        {"zeros: no fix", {b.Ref(1, 'N'), lat(0, 0, 0), b.Ref(3, 'E'), lon(0, 0, 0)}, false, 0, 0},
        {"no reference", {lat(35, 20, 0), b.Ref(3, 'E'), lon(25, 8, 0)}, false, 0, 0},
        {"a reference of X", {b.Ref(1, 'X'), lat(35, 20, 0), b.Ref(3, 'E'), lon(25, 8, 0)}, false, 0, 0},
        {"latitude 91", {b.Ref(1, 'N'), lat(91, 0, 0), b.Ref(3, 'E'), lon(25, 8, 0)}, false, 0, 0},
        {"minutes 60", {b.Ref(1, 'N'), lat(35, 60, 0), b.Ref(3, 'E'), lon(25, 8, 0)}, false, 0, 0},
        {"a zero denominator",
         {b.Ref(1, 'N'), b.Angle(2, 35, 0, 0, 1, 0, 1), b.Ref(3, 'E'), lon(25, 8, 0)},
         false,
         0,
         0},
        {"two values, not three",
         {b.Ref(1, 'N'), Entry{2, 5, 2, std::vector<uint8_t>(16, 1)}, b.Ref(3, 'E'), lon(25, 8, 0)},
         false,
         0,
         0},
        {"no longitude", {b.Ref(1, 'N'), lat(35, 20, 0)}, false, 0, 0},
    };
    for (const Case& c : cases) {
        const ExifFacts facts = Parse(b.Build({}, {}, c.gps));
        EXPECT_EQ(facts.position.known, c.known) << c.what;
        if (c.known) {
            EXPECT_NEAR(facts.position.latitude, c.latitude, 1e-6) << c.what;
            EXPECT_NEAR(facts.position.longitude, c.longitude, 1e-6) << c.what;
        }
    }
}

TEST(ExifFacts, HostileBlocksReadNothing) {
    const ExifBuilder b(true);
    const std::vector<Entry> exif = {b.Date(0x9003, "2019:08:12 18:04:31")};
    const std::vector<Entry> gps = {b.Ref(1, 'N'), b.Angle(2, 35, 1, 0, 1, 0, 1), b.Ref(3, 'E'),
                                    b.Angle(4, 25, 1, 0, 1, 0, 1)};
    const std::vector<uint8_t> good = b.Build({}, exif, gps);
    ASSERT_TRUE(Parse(good).taken.Known());
    ASSERT_TRUE(Parse(good).position.known);
    // Every cut of the block, under the sanitizers: nothing is read past its end.
    for (size_t n = 0; n < good.size(); ++n)
        Parse(std::vector<uint8_t>(good.begin(), good.begin() + n));
    // Pointers past the end, to the header, and to the first directory itself (a loop).
    for (uint32_t pointer : {0xFFFFFFF0u, 4u, 8u, 100000u}) {
        const ExifFacts facts = Parse(b.Build({}, exif, gps, pointer, pointer));
        EXPECT_FALSE(facts.taken.Known()) << pointer;
        EXPECT_FALSE(facts.position.known) << pointer;
    }
    EXPECT_FALSE(Parse({'E', 'x', 'i', 'f', 0, 0, 'I', 'I'}).taken.Known());
    EXPECT_FALSE(ExifFactsOf(nullptr, 0).taken.Known());
}

TEST(ExifFacts, FileHeadsOfEachFormat) {
    const ExifBuilder le(false), be(true);
    const std::vector<uint8_t> payload = le.Build(
        {}, {le.Date(0x9003, "2019:08:12 18:04:31")},
        {le.Ref(1, 'N'), le.Angle(2, 35, 1, 20, 1, 0, 1), le.Ref(3, 'E'), le.Angle(4, 25, 1, 8, 1, 0, 1)});
    const std::vector<uint8_t> tiff(payload.begin() + 6, payload.end());  // without "Exif\0\0"
    const std::vector<uint8_t> bigTiff = [&] {
        const std::vector<uint8_t> p = be.Build({}, {be.Date(0x9004, "2001:02:03 04:05:06")}, {});
        return std::vector<uint8_t>(p.begin() + 6, p.end());
    }();
    const auto segment = [](uint8_t marker, const std::vector<uint8_t>& body) {
        std::vector<uint8_t> s = {0xFF, marker, uint8_t((body.size() + 2) >> 8), uint8_t(body.size() + 2)};
        s.insert(s.end(), body.begin(), body.end());
        return s;
    };
    const auto chunk = [](const char* type, const std::vector<uint8_t>& data) {
        std::vector<uint8_t> c = {uint8_t(data.size() >> 24), uint8_t(data.size() >> 16),
                                  uint8_t(data.size() >> 8), uint8_t(data.size())};
        c.insert(c.end(), type, type + 4);
        c.insert(c.end(), data.begin(), data.end());
        c.insert(c.end(), {0, 0, 0, 0});  // the CRC, which the reader does not check
        return c;
    };
    const auto cat = [](std::initializer_list<std::vector<uint8_t>> parts) {
        std::vector<uint8_t> all;
        for (const std::vector<uint8_t>& p : parts)
            all.insert(all.end(), p.begin(), p.end());
        return all;
    };
    const std::vector<uint8_t> soi = {0xFF, 0xD8}, sos = {0xFF, 0xDA, 0, 2};
    const std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    const std::vector<uint8_t> xmp = {'h', 't', 't', 'p', ':', '/', '/', 'n', 's'};
    std::vector<uint8_t> cutJpeg = cat({soi, segment(0xE1, payload)});
    cutJpeg.resize(cutJpeg.size() - 20);  // the GPS values' end cut off
    struct Case {
        const char* what;
        std::vector<uint8_t> head;
        TakenAt taken;
        bool position;
    };
    const Case cases[] = {
        {"JPEG, Exif after JFIF and an XMP APP1",
         cat({soi, segment(0xE0, {'J', 'F', 'I', 'F', 0}), segment(0xE1, xmp), segment(0xE1, payload), sos}),
         {2019, 8, 12, 18, 4, 31},
         true},
        {"JPEG, the Exif block after the scan is not looked for",
         cat({soi, sos, segment(0xE1, payload)}),
         {},
         false},
        {"JPEG cut inside the GPS values: the date stands", cutJpeg, {2019, 8, 12, 18, 4, 31}, false},
        {"JPEG with a segment length of 1", cat({soi, {0xFF, 0xE1, 0, 1}, payload}), {}, false},
        {"TIFF, little-endian", tiff, {2019, 8, 12, 18, 4, 31}, true},
        {"TIFF, big-endian, digitized only", bigTiff, {2001, 2, 3, 4, 5, 6}, false},
        {"PNG, eXIf before the pixels",
         cat({png, chunk("IHDR", std::vector<uint8_t>(13)), chunk("eXIf", tiff), chunk("IDAT", {1})}),
         {2019, 8, 12, 18, 4, 31},
         true},
        {"PNG, eXIf after the pixels is not looked for",
         cat({png, chunk("IHDR", std::vector<uint8_t>(13)), chunk("IDAT", {1}), chunk("eXIf", tiff)}),
         {},
         false},
        {"PNG whose chunk length runs past the end",
         cat({png, {0x7F, 0xFF, 0xFF, 0xFF, 'e', 'X', 'I', 'f'}, tiff}),
         {},
         false},
        {"a BMP", {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0}, {}, false},
    };
    for (const Case& c : cases) {
        const ExifFacts facts = ExifFactsOfFileHead(c.head.data(), c.head.size());
        EXPECT_EQ(facts.taken, c.taken) << c.what;
        EXPECT_EQ(facts.position.known, c.position) << c.what;
        // Every cut of the head, under the sanitizers: nothing is read past its end.
        for (size_t n = 0; n < c.head.size(); ++n)
            ExifFactsOfFileHead(c.head.data(), n);
    }
}
