#pragma once

#include <QProxyStyle>

// The desktop's style, with the menu bar's overflow button drawn by the
// program. The toolkit reads that picture from a PNG file by name, and
// reading a picture by name makes it load and ask every image plugin on the
// machine (a dozen libraries on some desktops) at every start, only for a
// button that shows when the window is too narrow for its menus.
class ProgramStyle : public QProxyStyle {
public:
    // Wraps a new copy of the application's current style; a palette set
    // before stays.
    static void install();

    using QProxyStyle::QProxyStyle;
    QIcon standardIcon(
        StandardPixmap which, const QStyleOption *option, const QWidget *widget) const override;
};
