#pragma once
// The settings, declared once. Every other view of them derives from this table: the record, the
// store's reads and writes, the members and setters of the picture window and of the settings
// dialog, the dialog's data exchange and notifications, and the live preview's updates. Adding a
// setting means a row here, its control in the dialog template, and the code that uses the value.
#include <cstdint>
#include <iterator>
#include <string>

#include "resources/resource.h"

namespace orv {

// What a setting is: its type in memory and in the registry, and how a picture window reads it.
enum class SettingKind {
    Flag,    // REG_DWORD, passed on unchanged; non-zero means on; a check box
    Delay,   // REG_DWORD, seconds; a picture window clamps it to 1..120; an edit box with a range test
    Folder,  // REG_SZ; empty or missing means the Windows directory; an edit box
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
template <SettingKind kind>
using SettingType = typename SettingTypeOf<kind>::type;

// One row per setting, in the order the store reads and writes them and the picture window's
// setters receive them: the folder last, since setting it builds the list under the flags before
// it. Columns:
//   field     the settings record's member
//   member    the member of the picture window and of the settings dialog
//   Name      the registry value name; the setter is Set<Name> (the folder's is SetFolder)
//   kind      SettingKind
//   def       the default
//   control   the dialog control that edits it
//   tab       its place in the dialog's tab order, which is the order the data exchange visits
//   lists     whether a change rebuilds the picture list (which files, or their order)
// ORV_SETTINGS_TABLE(X) calls X(field, member, Name, kind, def, control, tab, lists) for each row.
// clang-format off
#define ORV_SETTINGS_ROWS(R, X)                                                                          \
    R(X, delay,       m_nDelay,       DelayBetweenPictures,    Delay,  10, IDC_DELAY,        2, false)  \
    R(X, stretch,     m_bStretch,     StretchPictures,         Flag,   1,  IDC_STRETCH,      1, false)  \
    R(X, randomOrder, m_bRandomOrder, RandomOrder,             Flag,   1,  IDC_RANDOM_ORDER, 3, true)   \
    R(X, showCaption, m_bShowCaption, DisplayImageDescription, Flag,   1,  IDC_SHOW_CAPTION, 4, false)  \
    R(X, fade,        m_bFade,        FadeBetweenPictures,     Flag,   1,  IDC_FADE,         5, false)  \
    R(X, showBmp,     m_bShowBmp,     DisplayBMPFiles,         Flag,   1,  IDC_SHOW_BMP,     6, true)   \
    R(X, showJpg,     m_bShowJpg,     DisplayJPGFiles,         Flag,   1,  IDC_SHOW_JPG,     7, true)   \
    R(X, showOther,   m_bShowOther,   DisplayOtherFiles,       Flag,   1,  IDC_SHOW_OTHER,   8, true)   \
    R(X, folder,      m_strFolder,    Directory,               Folder, "", IDC_FOLDER,       0, true)

#define ORV_SETTING_ROW_ALL(X, ...) X(__VA_ARGS__)
#define ORV_SETTINGS_TABLE(X) ORV_SETTINGS_ROWS(ORV_SETTING_ROW_ALL, X)

// The same for the settings with a plain setter Set<Name>: all but the folder, whose SetFolder
// also rebuilds the list and is written by hand.
#define ORV_SETTING_ROW_PLAIN(X, field, member, Name, kind, ...) \
    ORV_SETTING_ROW_PLAIN_##kind(X, field, member, Name, kind, __VA_ARGS__)
#define ORV_SETTING_ROW_PLAIN_Flag(X, ...) X(__VA_ARGS__)
#define ORV_SETTING_ROW_PLAIN_Delay(X, ...) X(__VA_ARGS__)
#define ORV_SETTING_ROW_PLAIN_Folder(X, ...)
#define ORV_PLAIN_SETTINGS_TABLE(X) ORV_SETTINGS_ROWS(ORV_SETTING_ROW_PLAIN, X)
// clang-format on

// The settings by name, in the table's order.
enum class SettingId {
#define ORV_SETTING_ID(field, member, Name, kind, def, control, tab, lists) Name,
    ORV_SETTINGS_TABLE(ORV_SETTING_ID)
#undef ORV_SETTING_ID
};

// One copy of the settings.
struct SettingsRecord {
#define ORV_SETTING_FIELD(field, member, Name, kind, def, control, tab, lists) \
    SettingType<SettingKind::kind> field = def;
    ORV_SETTINGS_TABLE(ORV_SETTING_FIELD)
#undef ORV_SETTING_FIELD
};

// The setting members of a window or dialog, bound by reference, in the table's order.
struct SettingsFields {
#define ORV_SETTING_REF(field, member, Name, kind, def, control, tab, lists) \
    SettingType<SettingKind::kind>& field;
    ORV_SETTINGS_TABLE(ORV_SETTING_REF)
#undef ORV_SETTING_REF
};

// A record's own members as fields.
inline SettingsFields FieldsOf(SettingsRecord& r) {
    return {
#define ORV_SETTING_OF(field, member, Name, kind, def, control, tab, lists) r.field,
        ORV_SETTINGS_TABLE(ORV_SETTING_OF)
#undef ORV_SETTING_OF
    };
}

// A row's facts that hold for every type, by id.
struct SettingRow {
    SettingId id;
    const char* name;  // the registry value name
    SettingKind kind;
    int control;  // the dialog control
    int tab;      // its place in the dialog's tab order
    bool lists;   // a change rebuilds the picture list
};

inline constexpr SettingRow kSettingRows[] = {
#define ORV_SETTING_ROW(field, member, Name, kind, def, control, tab, lists) \
    {SettingId::Name, #Name, SettingKind::kind, control, tab, lists},
    ORV_SETTINGS_TABLE(ORV_SETTING_ROW)
#undef ORV_SETTING_ROW
};

inline constexpr int kSettingCount = static_cast<int>(std::size(kSettingRows));

constexpr const SettingRow& RowOf(SettingId id) { return kSettingRows[static_cast<int>(id)]; }

}  // namespace orv

// In a class body: the setting members with their defaults (m_bStretch, ...), and Fields()
// binding them for the settings rules.
#define ORV_SETTING_MEMBER(field, member, Name, kind, def, control, tab, lists) \
    ::orv::SettingType<::orv::SettingKind::kind> member = def;
#define ORV_SETTING_MEMBER_REF(field, member, Name, kind, def, control, tab, lists) member,
#define ORV_SETTINGS_MEMBERS()             \
    ORV_SETTINGS_TABLE(ORV_SETTING_MEMBER) \
    ::orv::SettingsFields Fields() { return {ORV_SETTINGS_TABLE(ORV_SETTING_MEMBER_REF)}; }
