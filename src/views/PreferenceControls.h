#pragma once

#include "core/PreferenceKeys.h"

#include <QStringList>

#include <functional>

class QCheckBox;
class QComboBox;
class QWidget;

// Controls that edit one preference each: they show the stored value,
// write every change at once, and follow the key when something else
// writes it (the tray item toggled from the View menu, say).
namespace PreferenceControls {

// `write`, when given, stores a change instead of the box (an owner that
// does more with it).
QCheckBox *checkBox(
    const QString &text, BoolKey key, QWidget *parent, std::function<void(bool)> write = {});
// Item i stands for the stored value i; a value outside the items shows
// `fallbackIndex`, which is what the program makes of it.
QComboBox *choice(const QStringList &items, IntKey key, int fallbackIndex, QWidget *parent);

} // namespace PreferenceControls
