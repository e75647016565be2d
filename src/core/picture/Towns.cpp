#include "core/picture/Towns.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace orv {
namespace {

constexpr size_t kHeaderBytes = 20;
constexpr int kLatCells = 180;
constexpr int kLonCells = 360;
constexpr double kEarthKm = 6371.0;
constexpr double kKmPerDegree = kEarthKm * 3.14159265358979323846 / 180;
constexpr size_t kLongestName = 512;

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

double Radians(double degrees) { return degrees * 3.14159265358979323846 / 180; }

double DistanceKm(double lat1, double lon1, double lat2, double lon2) {
    const double dLat = Radians(lat2 - lat1), dLon = Radians(lon2 - lon1);
    const double a = std::sin(dLat / 2) * std::sin(dLat / 2) + std::cos(Radians(lat1)) *
                                                                   std::cos(Radians(lat2)) *
                                                                   std::sin(dLon / 2) * std::sin(dLon / 2);
    return 2 * kEarthKm * std::asin(std::sqrt(std::min(1.0, a)));
}

}  // namespace

bool TownTable::Open(const uint8_t* data, size_t size) {
    *this = TownTable();
    if (!data || size < kHeaderBytes || std::memcmp(data, "ORVT", 4) != 0 || U16(data + 4) != 1) return false;
    const size_t countries = U16(data + 6), cells = U32(data + 8), towns = U32(data + 12);
    const size_t pairs = U16(data + 16), blockTowns = U16(data + 18);
    if (countries == 0 || countries > 255 || towns == 0 || cells == 0 ||
        cells > size_t(kLatCells) * kLonCells || pairs > 255 || blockTowns == 0)
        return false;
    size_t at = kHeaderBytes;
    const auto take = [&](size_t bytes) -> const uint8_t* {
        if (size - at < bytes) return nullptr;
        const uint8_t* p = data + at;
        at += bytes;
        return p;
    };
    const uint8_t* countryCodes = take(countries * 2);
    const uint8_t* cellBytes = take(cells * 4);
    if (!countryCodes || !cellBytes) return false;

    // The cells in ascending order, their towns' records one after another.
    std::vector<Cell> cellList(cells);
    size_t town = 0;
    const uint8_t* records = data + at;
    for (size_t i = 0; i < cells; ++i) {
        Cell& cell = cellList[i];
        cell.id = U16(cellBytes + i * 4);
        cell.count = U16(cellBytes + i * 4 + 2);
        if (cell.id >= kLatCells * kLonCells || (i > 0 && cell.id <= cellList[i - 1].id) || cell.count == 0 ||
            towns - town < cell.count)
            return false;
        cell.firstTown = static_cast<uint32_t>(town);
        cell.firstByte = static_cast<uint32_t>(at - (records - data));
        for (uint32_t k = 0; k < cell.count; ++k) {
            const uint8_t* r = take(2);
            if (!r) return false;
            const bool hasCountry = (r[0] & 0x80) != 0;
            if ((r[0] & 0x7F) >= 100 || r[1] >= 100 || (k == 0 && !hasCountry)) return false;
            if (hasCountry) {
                const uint8_t* c = take(1);
                if (!c || *c >= countries) return false;
                if (k == 0) cell.firstCountry = *c;
            }
        }
        town += cell.count;
    }
    if (town != towns) return false;

    // A code stands for two symbols, each a plain byte or a code defined before it, so expanding
    // a name always ends.
    const uint8_t* pairBytes = take(pairs * 3);
    if (!pairBytes) return false;
    for (size_t i = 0; i < pairs; ++i) {
        const uint8_t code = pairBytes[i * 3];
        if (code == 0 || m_isCode[code]) return false;
        m_isCode[code] = true;
        m_pair[code][0] = pairBytes[i * 3 + 1];
        m_pair[code][1] = pairBytes[i * 3 + 2];
    }
    bool defined[256] = {};
    for (size_t i = 0; i < pairs; ++i) {
        const uint8_t code = pairBytes[i * 3];
        for (int s = 1; s <= 2; ++s) {
            const uint8_t symbol = pairBytes[i * 3 + s];
            if (symbol == 0 || (m_isCode[symbol] && !defined[symbol])) return false;
        }
        defined[code] = true;
    }
    const size_t blockCount = (towns + blockTowns - 1) / blockTowns;
    const uint8_t* blocks = take(blockCount * 4);
    if (!blocks) return false;
    const uint8_t* names = data + at;
    const size_t namesSize = size - at;
    if (namesSize == 0 || names[namesSize - 1] != 0) return false;
    for (size_t i = 0; i < blockCount; ++i) {
        const uint32_t offset = U32(blocks + i * 4);
        if (offset >= namesSize || (i > 0 && offset <= U32(blocks + (i - 1) * 4))) return false;
    }

    m_data = data;
    m_towns = towns;
    m_countryCount = countries;
    m_countries = countryCodes;
    m_cells = std::move(cellList);
    m_records = records;
    m_blockTowns = blockTowns;
    m_blocks = blocks;
    m_blockCount = blockCount;
    m_names = names;
    m_namesSize = namesSize;
    return true;
}

void TownTable::SearchCell(uint16_t id, double latitude, double longitude, Found& best) const {
    const auto it = std::lower_bound(m_cells.begin(), m_cells.end(), id,
                                     [](const Cell& cell, uint16_t wanted) { return cell.id < wanted; });
    if (it == m_cells.end() || it->id != id) return;
    const double cellLat = id / kLonCells - 90.0, cellLon = id % kLonCells - 180.0;
    const uint8_t* r = m_records + it->firstByte;
    uint8_t country = it->firstCountry;
    for (uint32_t k = 0; k < it->count; ++k) {
        const bool hasCountry = (r[0] & 0x80) != 0;
        const double lat = cellLat + (r[0] & 0x7F) / 100.0, lon = cellLon + r[1] / 100.0;
        if (hasCountry) country = r[2];
        r += hasCountry ? 3 : 2;
        const double km = DistanceKm(latitude, longitude, lat, lon);
        if (km < best.km) best = Found{km, it->firstTown + k, country};
    }
}

std::string TownTable::NameOf(uint32_t town) const {
    const size_t block = town / m_blockTowns;
    if (block >= m_blockCount) return {};
    size_t at = U32(m_blocks + block * 4);
    // Open checked that the names end with a 0, so each skip stops inside them.
    for (size_t skip = town % m_blockTowns; skip > 0; --skip) {
        while (at < m_namesSize && m_names[at] != 0)
            ++at;
        if (++at >= m_namesSize) return {};
    }
    std::string name;
    uint16_t stack[kLongestName];
    for (; at < m_namesSize && m_names[at] != 0 && name.size() < kLongestName; ++at) {
        size_t depth = 0;
        stack[depth++] = m_names[at];
        while (depth > 0 && name.size() < kLongestName) {
            const uint16_t symbol = stack[--depth];
            if (!m_isCode[symbol]) {
                name.push_back(static_cast<char>(symbol));
            } else if (depth + 2 <= kLongestName) {
                stack[depth++] = m_pair[symbol][1];
                stack[depth++] = m_pair[symbol][0];
            }
        }
    }
    return name;
}

std::string TownTable::CountryCode(uint8_t country) const {
    if (country >= m_countryCount) return {};
    return std::string(reinterpret_cast<const char*>(m_countries + country * 2), 2);
}

Place TownTable::PlaceOf(double latitude, double longitude) const {
    Place place;
    if (Empty() || !(latitude >= -90 && latitude <= 90) || !(longitude >= -180 && longitude <= 180))
        return place;
    // Every cell that may hold a town within the country distance: a band of latitudes, and in it
    // the longitudes that distance spans where the band is narrowest (nearest a pole).
    const double latSpan = kCountryKm / kKmPerDegree;
    const int firstRow = std::max(0, static_cast<int>(std::floor(latitude + 90 - latSpan)));
    const int lastRow = std::min(kLatCells - 1, static_cast<int>(std::floor(latitude + 90 + latSpan)));
    const double widest = std::max(std::fabs(latitude - latSpan), std::fabs(latitude + latSpan));
    const double cosine = std::cos(Radians(std::min(90.0, widest)));
    const double lonSpan = cosine > 0.01 ? kCountryKm / (kKmPerDegree * cosine) : 360;
    const int column = std::min(kLonCells - 1, static_cast<int>(std::floor(longitude + 180)));
    const int reach = lonSpan >= 180 ? kLonCells / 2 : static_cast<int>(std::ceil(lonSpan));
    Found best;
    for (int row = firstRow; row <= lastRow; ++row) {
        for (int d = -reach; d <= reach && d < kLonCells - reach; ++d) {
            const int col = ((column + d) % kLonCells + kLonCells) % kLonCells;
            SearchCell(static_cast<uint16_t>(row * kLonCells + col), latitude, longitude, best);
        }
    }
    if (best.km > kCountryKm) return place;
    place.km = best.km;
    place.country = CountryCode(best.country);
    if (best.km <= kTownKm) place.town = NameOf(best.town);
    return place;
}

}  // namespace orv
