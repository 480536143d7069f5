#include "views/PreferenceControls.h"

#include "core/Preferences.h"

#include <QCheckBox>
#include <QComboBox>

namespace PreferenceControls {

QCheckBox *checkBox(
    const QString &text, BoolKey key, QWidget *parent, std::function<void(bool)> write)
{
    auto *box = new QCheckBox(text, parent);
    Preferences &prefs = Preferences::standard();
    box->setChecked(prefs.value(key));
    QObject::connect(box, &QCheckBox::toggled, box, [key, write = std::move(write)](bool on) {
        if (Preferences::standard().value(key) == on)
            return;
        if (write)
            write(on);
        else
            Preferences::standard().setValue(key, on);
    });
    QObject::connect(&prefs, &Preferences::changed, box, [box, key](const QString &changed) {
        if (changed == key.key())
            box->setChecked(Preferences::standard().value(key));
    });
    return box;
}

QComboBox *choice(const QStringList &items, IntKey key, int fallbackIndex, QWidget *parent)
{
    auto *combo = new QComboBox(parent);
    combo->addItems(items);
    auto show = [combo, key, fallbackIndex, count = items.size()] {
        const qint64 stored = Preferences::standard().value(key);
        combo->setCurrentIndex(stored >= 0 && stored < count ? int(stored) : fallbackIndex);
    };
    show();
    QObject::connect(combo, &QComboBox::activated, combo,
        [key](int index) { Preferences::standard().setValue(key, qint64(index)); });
    QObject::connect(&Preferences::standard(), &Preferences::changed, combo,
        [show, key](const QString &changed) {
            if (changed == key.key())
                show();
        });
    return combo;
}

} // namespace PreferenceControls
