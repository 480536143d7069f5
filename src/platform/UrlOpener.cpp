#include "platform/UrlOpener.h"

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
