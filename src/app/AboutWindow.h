#pragma once

#include <QDialog>

// The About window: the program's name, version and links to the maker's
// manuals, home, support and acknowledgements pages.
class AboutWindow : public QDialog {
    Q_OBJECT
public:
    explicit AboutWindow(QWidget *parent = nullptr);

    // The pages its buttons open, below the maker's site.
    static QString manualsPath() { return QStringLiteral("/velto/manual/"); }
    static QString homePath() { return QStringLiteral("/"); }
    static QString supportPath() { return QStringLiteral("/support/"); }
    static QString acknowledgementsPath() { return QStringLiteral("/velto/acknowledgements.html"); }
};
