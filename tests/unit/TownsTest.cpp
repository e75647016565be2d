#include "core/picture/Towns.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <utility>
#include <vector>

using namespace orv;

namespace {

std::vector<uint8_t> RealTable() {
    std::ifstream in(ORV_TOWNS_TABLE, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// A table of two towns in one cell (lat 35..36, lon 25..26), the second one's name coded with a
// code that stands for a pair holding another code.
std::vector<uint8_t> TinyTable() {
    std::vector<uint8_t> t = {'O',         'R', 'V', 'T', 1,           0, /*countries*/ 1,  0,
                              /*cells*/ 1, 0,   0,   0,
                              /*towns*/ 2, 0,   0,   0,   /*pairs*/ 2, 0, /*blockTowns*/ 1, 0};
    t.insert(t.end(), {'G', 'R'});
    const uint16_t cell = (35 + 90) * 360 + (25 + 180);
    t.insert(t.end(), {uint8_t(cell & 0xFF), uint8_t(cell >> 8), 2, 0});
    t.insert(t.end(), {0x80 | 34, 14, 0, /*second town, same country*/ 50, 50});
    t.insert(t.end(), {0x01, 'a', 'b', 0x02, 0x01, 'c'});  // 0x02 = "abc"
    t.insert(t.end(), {0, 0, 0, 0, 2, 0, 0, 0});           // one town a block
    t.insert(t.end(), {'A', 0, 0x02, 0x02, 0});            // "A", "abcabc"
    return t;
}

}  // namespace

TEST(Towns, RealPlacesByPosition) {
    const std::vector<uint8_t> data = RealTable();
    TownTable table;
    ASSERT_TRUE(table.Open(data.data(), data.size())) << ORV_TOWNS_TABLE;
    EXPECT_GT(table.Towns(), 100000u);
    struct Case {
        double lat, lon;
        const char* town;
        const char* country;
    };
    // Expected from GeoNames by a brute-force search over the source list, not by this code.
    const Case cases[] = {
        {35.3387, 25.1442, "Ir\xC3\xA1kleion", "GR"},
        {48.8566, 2.3522, "Paris", "FR"},
        {-33.8688, 151.2093, "Sydney", "AU"},
        {64.1466, -21.9426, "Reykjav\xC3\xADk", "IS"},
        {71.29, -156.79, "Barrow", "US"},
        {78.22, 15.65, "Longyearbyen", "SJ"},
        {-16.5, -179.9, "", "FJ"},           // 79 km from a town across the date line: the country alone
        {66.3, 179.95, "Egvekinot", "RU"},   // 42 km away, across the date line
        {66.3, -179.95, "Egvekinot", "RU"},  // the same town from the line's other side
        {-16.8, 179.99, "", "FJ"},           // 79 km from Labasa, across the line the other way
        {89.9, 0, "", ""},                   // the North Pole, 1,300 km from Longyearbyen
        {-89.99, 0, "", ""},                 // the South Pole, 1,350 km from McMurdo Station
        {0, -30, "", ""},                    // the Atlantic, 500 km from land
        {23.5, 12.0, "", ""},                // the Sahara, 246 km from a town
        {91, 0, "", ""},
        {0, 181, "", ""},
    };
    for (const Case& c : cases) {
        const Place place = table.PlaceOf(c.lat, c.lon);
        EXPECT_EQ(place.town, c.town) << c.lat << ", " << c.lon;
        EXPECT_EQ(place.country, c.country) << c.lat << ", " << c.lon;
    }
    for (const auto& bad : {std::pair<double, double>{NAN, 0},
                            {0, NAN},
                            {INFINITY, 25},
                            {35, -INFINITY},
                            {-90.5, 0},
                            {0, -180.5}})
        EXPECT_TRUE(table.PlaceOf(bad.first, bad.second).country.empty()) << bad.first << ", " << bad.second;
}

TEST(Towns, TinyTableDecodesNestedCodes) {
    const std::vector<uint8_t> data = TinyTable();
    TownTable table;
    ASSERT_TRUE(table.Open(data.data(), data.size()));
    EXPECT_EQ(table.PlaceOf(35.34, 25.14).town, "A");
    EXPECT_EQ(table.PlaceOf(35.5, 25.5).town, "abcabc");
    EXPECT_EQ(table.PlaceOf(35.5, 25.5).country, "GR");
}

TEST(Towns, DamagedTablesAreRefused) {
    // Every cut of the tiny table, and every cut of the real one's head, fails cleanly (the
    // sanitizers catch a read past the end); so do codes that would expand forever.
    const std::vector<uint8_t> tiny = TinyTable();
    for (size_t n = 0; n < tiny.size(); ++n) {
        TownTable table;
        EXPECT_FALSE(table.Open(tiny.data(), n)) << n;
        EXPECT_TRUE(table.PlaceOf(35.5, 25.5).country.empty());
    }
    const std::vector<uint8_t> real = RealTable();
    for (size_t n :
         {size_t(0), size_t(19), size_t(20), size_t(500), size_t(40000), real.size() / 2, real.size() - 1}) {
        std::vector<uint8_t> cut(real.begin(), real.begin() + std::min(n, real.size()));
        TownTable table;
        EXPECT_FALSE(table.Open(cut.data(), cut.size())) << n;
    }
    struct Change {
        const char* what;
        size_t at;
        uint8_t value;
    };
    const size_t pairs = 20 + 2 + 4 + 5;
    const Change changes[] = {
        {"a code that stands for itself", pairs + 1, 0x01},
        {"a code that names a later one", pairs + 1, 0x02},
        {"the same code twice", pairs + 3, 0x01},
        {"a country past the list", 20 + 2 + 4 + 2, 7},
        {"hundredths of 100", 20 + 2 + 4 + 1, 100},
        {"a first town without its country", 20 + 2 + 4, 34},
        {"a cell count beyond the towns", 20 + 2 + 2, 3},
        {"names without their last 0", pairs + 6 + 8 + 4, 'x'},
    };
    for (const Change& c : changes) {
        std::vector<uint8_t> bad = tiny;
        bad[c.at] = c.value;
        TownTable table;
        EXPECT_FALSE(table.Open(bad.data(), bad.size())) << c.what;
    }
}
