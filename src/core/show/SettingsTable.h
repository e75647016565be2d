#pragma once
// The settings: their ids, one row of stored facts per setting, the record, and the fields by which
// the core's rules reach an owner's members. The store reads and writes through the rows; the
// owners (the picture window, the settings dialog) name their members and setters in their own
// headers, and the dialog's controls are listed on its side (core/ui/SettingsExchange.cpp).
//
// Adding a setting here: its id, its row, a field of SettingsRecord and of SettingsFields, and its
// line in ForEachSetting. Beyond its control in the template (Dialogs.rc, resource.h) and the code
// that uses the value, it is named where the owners name theirs: the picture window's member and
// setter (show/PictureWnd.h), the dialog's member, preview forwarder and message-map entry
// (ui/SettingsDlg.*), the preview interface and the control list (core/ui/SettingsExchange.*).
// The checks below and the compiler (a switch over SettingId without a default, an abstract
// preview, the fields bound by type and count) point at all but two: a line missing from
// ForEachSetting shows in the store's tests, a missing message-map entry in the dialog's cases.
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <type_traits>
#include <vector>

namespace orv {

// What a setting is: its type in memory and in the registry, and how a picture window reads it.
enum class SettingKind {
    Flag,        // REG_DWORD, passed on unchanged; non-zero means on; a check box
    Delay,       // REG_DWORD, seconds; a picture window clamps it to 1..120; an edit box with a range test
    Folder,      // REG_SZ; empty or missing means the Windows directory; an edit box
    FolderList,  // REG_MULTI_SZ; missing means none; a list box with Add... and Remove
};

template <SettingKind>
struct SettingTypeOf;
template <>
struct SettingTypeOf<SettingKind::Flag> {
    using type = int32_t;  // BOOL
};
template <>
struct SettingTypeOf<SettingKind::Delay> {
    using type = uint32_t;  // UINT
};
template <>
struct SettingTypeOf<SettingKind::Folder> {
    using type = std::string;
};
template <>
struct SettingTypeOf<SettingKind::FolderList> {
    using type = std::vector<std::string>;
};
template <SettingKind kind>
using SettingType = typename SettingTypeOf<kind>::type;

// The settings by their registry value names, in the order the store reads and writes them and a
// picture window receives them: the folder after the flags, since setting it builds the list
// under them; the folder lists, which only add to it, come after it.
enum class SettingId {
    DelayBetweenPictures,
    StretchPictures,
    RandomOrder,
    DisplayImageDescription,
    FadeBetweenPictures,
    DisplayBMPFiles,
    DisplayJPGFiles,
    DisplayOtherFiles,
    PanAndZoom,
    DisplayPictureInfo,
    BrowseKeys,
    PairPortraits,
    Directory,
    MoreFolders,
    ExcludedFolders,
};

// A setting's facts as users' registries hold them, and what a change of it does to the list.
struct SettingRow {
    SettingId id;
    const char* name;  // the registry value name
    SettingKind kind;
    bool lists;  // a change rebuilds the picture list (which files, or their order)
};

// In SettingId order. The defaults are the record's.
inline constexpr SettingRow kSettingRows[] = {
    {SettingId::DelayBetweenPictures, "DelayBetweenPictures", SettingKind::Delay, false},
    {SettingId::StretchPictures, "StretchPictures", SettingKind::Flag, false},
    {SettingId::RandomOrder, "RandomOrder", SettingKind::Flag, true},
    {SettingId::DisplayImageDescription, "DisplayImageDescription", SettingKind::Flag, false},
    {SettingId::FadeBetweenPictures, "FadeBetweenPictures", SettingKind::Flag, false},
    {SettingId::DisplayBMPFiles, "DisplayBMPFiles", SettingKind::Flag, true},
    {SettingId::DisplayJPGFiles, "DisplayJPGFiles", SettingKind::Flag, true},
    {SettingId::DisplayOtherFiles, "DisplayOtherFiles", SettingKind::Flag, true},
    {SettingId::PanAndZoom, "PanAndZoom", SettingKind::Flag, false},
    {SettingId::DisplayPictureInfo, "DisplayPictureInfo", SettingKind::Flag, false},
    {SettingId::BrowseKeys, "BrowseKeys", SettingKind::Flag, false},
    {SettingId::PairPortraits, "PairPortraits", SettingKind::Flag, false},
    {SettingId::Directory, "Directory", SettingKind::Folder, true},
    {SettingId::MoreFolders, "MoreFolders", SettingKind::FolderList, true},
    {SettingId::ExcludedFolders, "ExcludedFolders", SettingKind::FolderList, true},
};

inline constexpr int kSettingCount = static_cast<int>(std::size(kSettingRows));

constexpr bool RowsFollowTheIds() {
    for (int i = 0; i < kSettingCount; ++i)
        if (static_cast<int>(kSettingRows[i].id) != i) return false;
    return true;
}
static_assert(RowsFollowTheIds(), "kSettingRows lists every setting in SettingId order");
constexpr bool FlagsComeBeforeTheFolder() {
    for (int i = static_cast<int>(SettingId::Directory) + 1; i < kSettingCount; ++i)
        if (kSettingRows[i].kind != SettingKind::FolderList) return false;
    return true;
}
static_assert(FlagsComeBeforeTheFolder(),
              "one row per id, the folder after every flag: setting it builds the list under them");

constexpr const SettingRow& RowOf(SettingId id) { return kSettingRows[static_cast<int>(id)]; }

// One copy of the settings, with the defaults of a store that holds none.
struct SettingsRecord {
    uint32_t delay = 10;                       // DelayBetweenPictures, seconds
    int32_t stretch = 1;                       // StretchPictures
    int32_t randomOrder = 1;                   // RandomOrder
    int32_t showCaption = 1;                   // DisplayImageDescription
    int32_t fade = 1;                          // FadeBetweenPictures
    int32_t showBmp = 1;                       // DisplayBMPFiles
    int32_t showJpg = 1;                       // DisplayJPGFiles
    int32_t showOther = 1;                     // DisplayOtherFiles
    int32_t panAndZoom = 0;                    // PanAndZoom
    int32_t showInfo = 0;                      // DisplayPictureInfo: the date, place and folder line
    int32_t browseKeys = 0;                    // BrowseKeys: the full-screen show's keys browse
    int32_t pairPortraits = 0;                 // PairPortraits
    std::string folder;                        // Directory; empty: the Windows directory
    std::vector<std::string> moreFolders;      // MoreFolders, walked after Directory
    std::vector<std::string> excludedFolders;  // ExcludedFolders, never walked
};

// An owner's setting members, bound by reference in SettingId order (its Fields()).
struct SettingsFields {
    uint32_t& delay;
    int32_t& stretch;
    int32_t& randomOrder;
    int32_t& showCaption;
    int32_t& fade;
    int32_t& showBmp;
    int32_t& showJpg;
    int32_t& showOther;
    int32_t& panAndZoom;
    int32_t& showInfo;
    int32_t& browseKeys;
    int32_t& pairPortraits;
    std::string& folder;
    std::vector<std::string>& moreFolders;
    std::vector<std::string>& excludedFolders;
};

template <SettingId id, typename Visit, typename... Field>
void VisitSetting(Visit& visit, Field&... field) {
    static_assert((std::is_same_v<std::remove_cv_t<Field>, SettingType<RowOf(id).kind>> && ...),
                  "a setting's field has the type of its row's kind");
    visit(id, field...);
}

// Calls visit(id, field...) for every setting in SettingId order, with that setting's field of each
// of settings (records or fields): the store's reads and writes, copies, the dialog's exchange.
template <typename Visit, typename... Settings>
void ForEachSetting(Visit&& visit, Settings&... settings) {
    VisitSetting<SettingId::DelayBetweenPictures>(visit, settings.delay...);
    VisitSetting<SettingId::StretchPictures>(visit, settings.stretch...);
    VisitSetting<SettingId::RandomOrder>(visit, settings.randomOrder...);
    VisitSetting<SettingId::DisplayImageDescription>(visit, settings.showCaption...);
    VisitSetting<SettingId::FadeBetweenPictures>(visit, settings.fade...);
    VisitSetting<SettingId::DisplayBMPFiles>(visit, settings.showBmp...);
    VisitSetting<SettingId::DisplayJPGFiles>(visit, settings.showJpg...);
    VisitSetting<SettingId::DisplayOtherFiles>(visit, settings.showOther...);
    VisitSetting<SettingId::PanAndZoom>(visit, settings.panAndZoom...);
    VisitSetting<SettingId::DisplayPictureInfo>(visit, settings.showInfo...);
    VisitSetting<SettingId::BrowseKeys>(visit, settings.browseKeys...);
    VisitSetting<SettingId::PairPortraits>(visit, settings.pairPortraits...);
    VisitSetting<SettingId::Directory>(visit, settings.folder...);
    VisitSetting<SettingId::MoreFolders>(visit, settings.moreFolders...);
    VisitSetting<SettingId::ExcludedFolders>(visit, settings.excludedFolders...);
}

}  // namespace orv
