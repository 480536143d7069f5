#include "platform/AlertPresenter.h"

#include <QCoreApplication>
#include <QDebug>

namespace {

// Until the program installs its dialogs (and in tests that install no
// presenter of their own) an alert is written to the log and answered with
// its first button, so no code path can hang waiting for a window.
class LoggingPresenter : public AlertPresenter {
public:
    int present(const Alert &alert) override
    {
        qInfo().noquote() << "alert:" << alert.title << alert.message;
        return 0;
    }
};

std::unique_ptr<AlertPresenter> &slot()
{
    static std::unique_ptr<AlertPresenter> presenter;
    return presenter;
}

} // namespace

namespace alerts {

AlertPresenter &presenter()
{
    auto &p = slot();
    if (!p)
        p = std::make_unique<LoggingPresenter>();
    return *p;
}

QString localized(const QString &english)
{
    return QCoreApplication::translate("Velto", english.toUtf8().constData());
}

void setPresenter(std::unique_ptr<AlertPresenter> presenter)
{
    slot() = std::move(presenter);
}

int show(const QString &title, const QString &message, const QStringList &buttons, AlertStyle style)
{
    return presenter().present(Alert { title, message, buttons, style });
}

void error(const QString &message)
{
    // An alert is modal: while one is open, a second failure of the same
    // kind (a refresh timer, a second request) would stack another on it.
    static QStringList open;
    if (open.contains(message)) {
        qInfo().noquote() << "already showing:" << message;
        return;
    }
    open.append(message);
    show(QStringLiteral("Error!"), message);
    open.removeOne(message);
}

void success(const QString &message)
{
    show(QStringLiteral("Success!"), message);
}

} // namespace alerts
