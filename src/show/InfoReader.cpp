#include "show/InfoReader.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "core/library/LibraryIndex.h"
#include "core/show/InfoLine.h"
#include "framework/TextConvert.h"
#include "framework/TextFile.h"
#include "framework/WidePath.h"
#include "framework/WinApp.h"
#include "resources/resource.h"

namespace {

// Enough of a file's head for its Exif block: a JPEG's APP1 segment is at most 64 KB and comes
// first; a TIFF's or PNG's facts sit near the start.
constexpr size_t kHeadBytes = 128 * 1024;

std::string Utf8FromWide(const wchar_t* text, int length) {
    if (length <= 0) return {};
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return {};
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, length, &out[0], n, nullptr, nullptr);
    return out;
}

// The file's last write time as the user's clock shows it, for a picture that says nothing of
// when it was taken.
orv::TakenAt WriteTimeOf(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(LongWidePath(path).c_str(), GetFileExInfoStandard, &data)) return {};
    SYSTEMTIME utc{}, local{};
    if (!::FileTimeToSystemTime(&data.ftLastWriteTime, &utc) ||
        !::SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local))
        return {};
    orv::TakenAt t;
    t.year = local.wYear;
    t.month = local.wMonth;
    t.day = local.wDay;
    t.hour = local.wHour;
    t.minute = local.wMinute;
    t.second = local.wSecond;
    return t;
}

// GetGeoInfoEx is Windows 10's (1709 on); before it a nation is named through its GEOID.
using GetGeoInfoExFn = int(WINAPI*)(PWSTR location, GEOTYPE type, PWSTR data, int count);

GetGeoInfoExFn GeoInfoEx() {
    static const GetGeoInfoExFn fn = reinterpret_cast<GetGeoInfoExFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "GetGeoInfoEx")));
    return fn;
}

// EnumSystemGeoID's callback takes no context: the list it fills is this thread's.
thread_local std::vector<GEOID>* t_geoIds = nullptr;
BOOL CALLBACK CollectGeoId(GEOID id) {
    if (t_geoIds) t_geoIds->push_back(id);
    return TRUE;
}

std::string NameThroughGeoId(const std::string& code) {
    std::vector<GEOID> ids;
    t_geoIds = &ids;
    ::EnumSystemGeoID(GEOCLASS_NATION, 0, CollectGeoId);
    t_geoIds = nullptr;
    const std::wstring wanted = WideFromUtf8(code);
    wchar_t buffer[128];
    for (GEOID id : ids) {
        const int n = ::GetGeoInfoW(id, GEO_ISO2, buffer, 128, 0);
        if (n <= 1 || std::wstring(buffer) != wanted) continue;
        const int m = ::GetGeoInfoW(id, GEO_FRIENDLYNAME, buffer, 128, 0);
        return m > 1 ? Utf8FromWide(buffer, m - 1) : std::string();
    }
    return {};
}

// The name a locale of that country gives it, in the user's UI language on Windows. Wine 8 answers
// neither geo call (ERROR_CALL_NOT_IMPLEMENTED) but has its locales' country names (in English).
struct LocaleSearch {
    std::wstring code;
    std::wstring name;
};
BOOL CALLBACK FindLocaleOf(LPWSTR locale, DWORD, LPARAM param) {
    LocaleSearch& search = *reinterpret_cast<LocaleSearch*>(param);
    wchar_t country[16];
    if (::GetLocaleInfoEx(locale, LOCALE_SISO3166CTRYNAME, country, 16) > 1 && search.code == country) {
        search.name = locale;
        return FALSE;
    }
    return TRUE;
}

std::string NameThroughLocale(const std::string& code) {
    LocaleSearch search{WideFromUtf8(code), {}};
    ::EnumSystemLocalesEx(FindLocaleOf, LOCALE_SPECIFICDATA, reinterpret_cast<LPARAM>(&search), nullptr);
    if (search.name.empty()) return {};
    wchar_t buffer[128];
    const int n = ::GetLocaleInfoEx(search.name.c_str(), LOCALE_SLOCALIZEDCOUNTRYNAME, buffer, 128);
    return n > 1 ? Utf8FromWide(buffer, n - 1) : std::string();
}

// ORVANTA_INFO_LOG names a file each line made is appended to: the tests read the exact text
// there rather than off the screen. Written on the worker, which reads the disk anyway.
void LogLine(const std::string& line) {
    static const char* log = std::getenv("ORVANTA_INFO_LOG");
    if (!log || !*log) return;
    if (FILE* f = std::fopen(log, "ab")) {
        std::fprintf(f, "%s\n", line.c_str());
        std::fclose(f);
    }
}

}  // namespace

const orv::TownTable& CInfoReader::Towns() {
    static orv::TownTable table;
    static std::once_flag once;
    std::call_once(once, [] {
        // A resource's bytes stay mapped with the module: the table reads them where they are.
        HMODULE module = AfxGetInstanceHandle();
        HRSRC found =
            ::FindResourceW(module, MAKEINTRESOURCEW(IDR_TOWNS), MAKEINTRESOURCEW(10) /*RT_RCDATA*/);
        HGLOBAL loaded = found ? ::LoadResource(module, found) : nullptr;
        const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
        if (bytes) table.Open(static_cast<const uint8_t*>(bytes), ::SizeofResource(module, found));
    });
    return table;
}

std::string CInfoReader::LongDate(const orv::TakenAt& taken) {
    if (!taken.Known()) return {};
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(taken.year);
    st.wMonth = static_cast<WORD>(taken.month);
    st.wDay = static_cast<WORD>(taken.day);
    wchar_t buffer[128];
    const int n =
        ::GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_LONGDATE, &st, nullptr, buffer, 128, nullptr);
    return n > 1 ? Utf8FromWide(buffer, n - 1) : std::string();
}

std::string CInfoReader::CountryName(const std::string& code) {
    if (code.size() != 2) return code;
    const auto known = m_countries.find(code);
    if (known != m_countries.end()) return known->second;
    std::string name;
    if (GetGeoInfoExFn ex = GeoInfoEx()) {
        std::wstring location = WideFromUtf8(code);
        wchar_t buffer[128];
        const int n = ex(&location[0], GEO_FRIENDLYNAME, buffer, 128);
        if (n > 1) name = Utf8FromWide(buffer, n - 1);
    }
    if (name.empty()) name = NameThroughGeoId(code);
    if (name.empty()) name = NameThroughLocale(code);
    if (name.empty()) name = code;
    m_countries.emplace(code, name);
    return name;
}

std::string CInfoReader::LineFor(const std::string& path, int width, int height, orv::LibraryIndex* index) {
    orv::TakenAt taken;
    orv::GeoPosition position;
    // The index's facts, once this reader stored them (a date taken or kNoDateTaken says so; a
    // size alone may come from a header read for pairing): no second read of the head.
    std::optional<orv::PictureFacts> stored;
    if (index) stored = index->Facts(path);
    if (stored && stored->taken) {
        if (*stored->taken != orv::kNoDateTaken) taken = orv::TakenAtOfSeconds(*stored->taken);
        if (stored->latitude && stored->longitude &&
            orv::UsablePosition(*stored->latitude, *stored->longitude)) {
            position.known = true;
            position.latitude = *stored->latitude;
            position.longitude = *stored->longitude;
        }
    } else {
        std::string head;
        if (ReadFileBounded(path.c_str(), kHeadBytes, head)) {
            const orv::ExifFacts facts =
                orv::ExifFactsOfFileHead(reinterpret_cast<const uint8_t*>(head.data()), head.size());
            taken = facts.taken;
            position = facts.position;
        }
        if (index && stored) {
            orv::PictureFacts facts;
            facts.width = width;
            facts.height = height;
            facts.taken = taken.Known() ? orv::SecondsOf(taken) : orv::kNoDateTaken;
            if (position.known) {
                facts.latitude = position.latitude;
                facts.longitude = position.longitude;
            }
            // A store the other process kept busy is tried again at the next showing.
            index->StoreFacts(path, facts);
        }
    }
    // What the camera says is shown as it is, a date in the future too; without it, the file's time.
    const std::string date = LongDate(taken.Known() ? taken : WriteTimeOf(path));

    std::string place;
    if (position.known && orv::UsablePosition(position.latitude, position.longitude)) {
        const orv::Place found = Towns().PlaceOf(position.latitude, position.longitude);
        if (!found.country.empty()) place = orv::PlaceText(found.town, CountryName(found.country));
    }
    // Paths are in the process code page (UTF-8 where the manifest is honoured).
    const std::string folder = Utf8FromCodePage(CP_ACP, orv::FolderNameOf(path));
    const std::string line = orv::JoinInfoParts({date, place, folder});
    LogLine(line);
    return line;
}
