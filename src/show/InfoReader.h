#pragma once
// The information line's words for one picture, read on the worker thread with its decode: the
// date taken (Exif, else the file's last write time) in the user's long date form, the nearest town
// (the town table the .scr carries as a resource) with the country's name in the user's language,
// and the picture's folder. The facts come from the library index when it has them, and go into it
// once read. One reader per worker; its thread alone uses it. Win32 only.
#include <map>
#include <string>

#include "core/picture/ExifFacts.h"
#include "core/picture/Towns.h"

namespace orv {
class LibraryIndex;
}

class CInfoReader {
public:
    // Worker thread. The line's UTF-8 text for a loaded picture of this (upright) size; index may be
    // null. Never empty while the path names a folder; the parts that cannot be had are left out.
    std::string LineFor(const std::string& path, int width, int height, orv::LibraryIndex* index);

    // Any thread. The town table as the resource holds it, opened once for the process; empty when
    // the resource is missing or damaged (the line then names no place).
    static const orv::TownTable& Towns();
    // Worker thread. The date in the user's long form ("12 August 2019"); empty when not known.
    static std::string LongDate(const orv::TakenAt& taken);
    // Worker thread. The country's name in the user's language from its ISO 3166 code: the geo
    // calls' friendly name (GetGeoInfoEx on Windows 10, else GetGeoInfoW through the GEOID), else a
    // locale of that country's name for it, else the code itself.
    std::string CountryName(const std::string& code);

private:
    std::map<std::string, std::string> m_countries;  // by code, as found
};
