#pragma once
// The nearest town to a position, offline: a compact table of the world's towns of 1,000 people
// or more (GeoNames, CC BY 4.0, made by scripts/make-towns, which describes the format) that the
// saver carries as a resource. The table's bytes are checked once when it is opened; a lookup
// reads only inside them.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orv {

struct Place {
    std::string town;     // UTF-8, as GeoNames names it; empty: no town near enough
    std::string country;  // ISO 3166 code ("GR"); empty: nothing near (at sea)
    double km = 0;        // to the nearest town
};

class TownTable {
public:
    // A town within this distance names the place; beyond it, up to the country distance, the
    // nearest town's country alone does; farther out (the open sea) nothing does.
    static constexpr double kTownKm = 50;
    static constexpr double kCountryKm = 150;

    // Opens the table over bytes that outlive this object (a resource's). False, and an empty
    // table, when they are not a well-formed table.
    bool Open(const uint8_t* data, size_t size);
    bool Empty() const { return m_towns == 0; }
    size_t Towns() const { return m_towns; }

    // The place for a position in degrees (north and east positive).
    Place PlaceOf(double latitude, double longitude) const;

private:
    struct Cell {
        uint16_t id = 0;
        uint32_t firstTown = 0;  // index of its first town
        uint32_t count = 0;
        uint32_t firstByte = 0;  // where its first town's record starts
        uint8_t firstCountry = 0;
    };
    struct Found {
        double km = 1e9;
        uint32_t town = 0;
        uint8_t country = 0;
    };

    void SearchCell(uint16_t id, double latitude, double longitude, Found& best) const;
    std::string NameOf(uint32_t town) const;
    std::string CountryCode(uint8_t country) const;

    const uint8_t* m_data = nullptr;
    size_t m_towns = 0;
    size_t m_countryCount = 0;
    const uint8_t* m_countries = nullptr;
    std::vector<Cell> m_cells;
    const uint8_t* m_records = nullptr;
    // The name coding: each code's two symbols.
    uint16_t m_pair[256][2] = {};
    bool m_isCode[256] = {};
    size_t m_blockTowns = 0;
    const uint8_t* m_blocks = nullptr;
    size_t m_blockCount = 0;
    const uint8_t* m_names = nullptr;
    size_t m_namesSize = 0;
};

}  // namespace orv
