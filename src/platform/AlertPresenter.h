#pragma once

#include <QString>
#include <QStringList>

#include <memory>

// How grave an alert is, which decides its icon. A critical alert asks about
// something the user may regret (a setting that hides the program, a
// shortcut another program holds); a warning says something stopped working.
enum class AlertStyle { Informational, Warning, Critical };

// A modal alert as the user sees it: title, message and buttons (first is the
// default). Titles and messages are the English texts, looked up through the
// translation catalogue before they are shown.
struct Alert {
    QString title;
    QString message;
    QStringList buttons { QStringLiteral("OK") };
    AlertStyle style = AlertStyle::Informational;
};

class AlertPresenter {
public:
    virtual ~AlertPresenter() = default;
    // Shows the alert and answers the index of the button chosen.
    virtual int present(const Alert &alert) = 0;
};

namespace alerts {

AlertPresenter &presenter();
// The program installs its message boxes at start; tests a scripted presenter.
void setPresenter(std::unique_ptr<AlertPresenter> presenter);

// The text in the user's language (the English text is the key).
QString localized(const QString &english);

int show(const QString &title, const QString &message,
    const QStringList &buttons = { QStringLiteral("OK") },
    AlertStyle style = AlertStyle::Informational);
// The "Error!" alert with its single "OK" button; not shown again while the
// same message is still open.
void error(const QString &message);
// The "Success!" alert with its single "OK" button.
void success(const QString &message);

} // namespace alerts
