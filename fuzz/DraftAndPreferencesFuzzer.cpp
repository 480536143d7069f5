// The program's own text files, chosen by the first byte: 0 the composer's
// draft, 1 the preferences file, read through every typed key and the
// shortcut recorders' entries.
#include "FuzzHarness.h"

#include "core/PreferenceKeys.h"
#include "core/Preferences.h"
#include "desktop/PTKeyCombo.h"
#include "support/DraftFile.h"

#include <QFile>

const QList<QByteArray> fuzz::warmUpInputs = {
    QByteArray(R"({"text":"hello","postType":1,"replyTo":"2"})").prepend('\0'),
    QByteArray("[General]\nprefsFontSize=1\n").prepend('\1'),
};

namespace {

void readEveryKey(const Preferences &preferences)
{
    using namespace prefs;
    for (const BoolKey &key : { firstStartEver, isUserAuthDone, launchAsAgentApp,
             prefsShowStatusItem, prefsAutoHide, prefsRestoreSelection, prefsEnableGestures,
             prefsShowInNC, prefsUseNCSound, isME, updateCheckAtStartup, disableAnimation })
        preferences.value(key);
    for (const IntKey &key :
        { prefsOnStartLoadStream, prefsRefreshInterval, prefsRefreshThreshold, prefsStreamCount,
            prefsFontSize, currentOffset, hotKeyKeyCode, hotKeyFinderKeyCode, searchScope })
        preferences.value(key);
    for (const UIntKey &key : { hotKeyModifiers, hotKeyFinderModifiers })
        preferences.value(key);
    for (const StringKey &key :
        { accessToken, lastMentionID, meID, currentHashtag, updateLastCheckDate, lastCheckDate })
        preferences.value(key);
    // The shortcut recorders keep their combinations as groups of entries.
    for (const char *group : { "ShortcutRecorder hotKey", "ShortcutRecorder hotKeyFinder" }) {
        const QVariantMap entry = preferences.dictionary(QString::fromLatin1(group));
        PTKeyCombo::fromPlistRepresentation(entry).isValidHotKeyCombo();
    }
}

} // namespace

void fuzz::fuzzOne(QByteArrayView input)
{
    const Dispatch part = dispatch(input, 2);
    if (part.choice == 0) {
        DraftFile draft;
        draft.open(writeScratchFile("Draft.json", part.rest));
        FUZZ_CHECK((draft.status() == DraftFile::Status::Ok) == draft.draft().has_value());
        return;
    }
    // A new name each time: the settings reader keeps files it has read.
    static int serial = 0;
    const QByteArray name = "Velto-" + QByteArray::number(++serial) + ".conf";
    const QString path = writeScratchFile(name.constData(), part.rest);
    {
        Preferences preferences(path);
        readEveryKey(preferences);
        if (const auto copy = preferences.damagedFileCopy())
            QFile::remove(*copy);
    }
    QFile::remove(path);
}
