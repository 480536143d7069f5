#include "platform/UrlOpener.h"

#include "platform/AlertPresenter.h"

#include <QDebug>
#include <QDesktopServices>

namespace {

class DesktopOpener : public UrlOpener {
public:
    bool open(const QUrl &url) override { return QDesktopServices::openUrl(url); }
};

std::unique_ptr<UrlOpener> &slot()
{
    static std::unique_ptr<UrlOpener> opener;
    return opener;
}

} // namespace

UrlOpener &UrlOpener::current()
{
    auto &o = slot();
    if (!o)
        o = std::make_unique<DesktopOpener>();
    return *o;
}

void UrlOpener::setCurrent(std::unique_ptr<UrlOpener> opener)
{
    slot() = std::move(opener);
}

bool UrlOpener::openFromService(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    if (scheme == u"http" || scheme == u"https" || scheme == u"mailto")
        return openOrTell(url);
    qInfo().noquote() << "Not opening a link of another kind:" << url.toDisplayString();
    alerts::show(QStringLiteral("Cannot Open Link"),
        QStringLiteral("Velto opens only web and e-mail links from posts, so %1 was not opened.")
            .arg(url.toDisplayString()),
        { QStringLiteral("OK") }, AlertStyle::Warning);
    return false;
}

bool UrlOpener::openOrTell(const QUrl &url)
{
    if (current().open(url))
        return true;
    qInfo().noquote() << "The desktop did not open" << url.toDisplayString();
    const bool web
        = url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https");
    alerts::show(QStringLiteral("Cannot Open Link"),
        web ? QStringLiteral("No web browser is set up to open %1. Choose a default web browser "
                             "in your desktop's settings and try again.")
                  .arg(url.toDisplayString())
            : QStringLiteral("No program is set up to open %1.").arg(url.toDisplayString()),
        { QStringLiteral("OK") }, AlertStyle::Warning);
    return false;
}
