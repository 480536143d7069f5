#pragma once

#include <QString>

// The program's preference keys with their types. The program registers no
// defaults: a key never written reads as false, 0 or no value.
template <typename T> struct PrefKey {
    const char *name;
    QString key() const { return QString::fromLatin1(name); }
};

struct BoolKey : PrefKey<bool> { };
struct IntKey : PrefKey<qint64> { };
struct UIntKey : PrefKey<quint64> { };
struct StringKey : PrefKey<QString> { };

namespace prefs {

// Start-up guards
inline constexpr BoolKey firstStartEver { { "firstStartEver" } };
inline constexpr BoolKey update042 { { "update042" } };
inline constexpr BoolKey update060 { { "update060" } };
inline constexpr BoolKey alphHint20 { { "alphHint20" } };
inline constexpr BoolKey followVeltoAsked { { "followVeltoAsked" } };

// Sign-in and agent mode
inline constexpr BoolKey isUserAuthDone { { "isUserAuthDone" } };
inline constexpr StringKey accessToken { { "access_token" } };
inline constexpr BoolKey launchAsAgentApp { { "LaunchAsAgentApp" } };

// User settings
inline constexpr BoolKey prefsShowStatusItem { { "prefsShowStatusItem" } };
inline constexpr BoolKey prefsAutoHide { { "prefsAutoHide" } };
inline constexpr IntKey prefsOnStartLoadStream { { "prefsOnStartLoadStream" } };
inline constexpr IntKey prefsRefreshInterval { { "prefsRefreshInterval" } };
inline constexpr IntKey prefsRefreshThreshold { { "prefsRefreshThreshold" } };
inline constexpr BoolKey prefsRestoreSelection { { "prefsRestoreSelection" } };
inline constexpr BoolKey prefsEnableGestures { { "prefsEnableGestures" } };
inline constexpr IntKey prefsStreamCount { { "prefsStreamCount" } };
inline constexpr IntKey prefsFontSize { { "prefsFontSize" } };
inline constexpr BoolKey prefsShowInNC { { "prefsShowInNC" } };
inline constexpr BoolKey prefsRemoveAllNotifications { { "prefsRemoveAllNotifications" } };
inline constexpr BoolKey prefsUseNCSound { { "prefsUseNCSound" } };
// Written when the reader turns off "Show pictures from other sites".
inline constexpr BoolKey prefsHideOtherSitePictures { { "prefsHideOtherSitePictures" } };

// State carried between components
inline constexpr StringKey lastMentionID { { "lastMentionID" } };
inline constexpr StringKey meID { { "meID" } };
inline constexpr BoolKey isME { { "isME" } };
inline constexpr StringKey starItemTitle { { "starItemTitle" } };
inline constexpr StringKey currentHashtag { { "currentHashtag" } };
inline constexpr StringKey currentUser { { "currentUser" } };
inline constexpr StringKey modalUserID { { "modalUserID" } };
inline constexpr IntKey selectedUserTabViewIndex { { "selectedUserTabViewIndex" } };
inline constexpr IntKey searchScope { { "searchScope" } };
inline constexpr StringKey searchTitle { { "searchTitle" } };
inline constexpr StringKey dragFilePathTMP { { "dragFilePathTMP" } };
inline constexpr StringKey uploadedFileName { { "uploadedFileName" } };
inline constexpr BoolKey firstImageUpload { { "firstImageUpload" } };

// Update check
inline constexpr BoolKey firstUpdateCheck { { "firstUpdateCheck" } };
inline constexpr BoolKey updateCheckAtStartup { { "RWUpdateChecker:CheckAtStartup" } };
inline constexpr StringKey updateLastCheckDate { { "RWUpdateChecker:LastCheckDate" } };
inline constexpr StringKey lastCheckDate { { "LastCheckDate" } };

// Never written by the program
inline constexpr IntKey currentOffset { { "currentOffset" } };
inline constexpr BoolKey disableAnimation { { "disableAnimation" } };

// Global hot keys
inline constexpr IntKey hotKeyKeyCode { { "hotKeyKeyCode" } };
inline constexpr UIntKey hotKeyModifiers { { "hotKeyModifiers" } };
inline constexpr IntKey hotKeyFinderKeyCode { { "hotKeyFinderKeyCode" } };
inline constexpr UIntKey hotKeyFinderModifiers { { "hotKeyFinderModifiers" } };

} // namespace prefs
