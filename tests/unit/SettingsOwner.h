#pragma once
// A settings owner for the tests: a record whose own members are bound the way the picture window
// and the settings dialog bind theirs.
#include "core/show/Settings.h"

struct SettingsOwner : orv::SettingsRecord {
    orv::SettingsFields Fields() {
        return {delay,      stretch,       randomOrder, showCaption, fade,
                showBmp,    showJpg,       showOther,   panAndZoom,  showInfo,
                browseKeys, pairPortraits, folder,      moreFolders, excludedFolders};
    }
};
