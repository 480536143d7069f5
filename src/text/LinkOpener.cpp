#include "text/LinkOpener.h"

#include "text/DragImageView.h"
#include "text/ImagePreviewPanel.h"
#include "text/LinkProbe.h"

#include <QNetworkAccessManager>
#include <QWidget>

LinkOpener::LinkOpener(QWidget *owner)
    : QObject(owner)
    , m_owner(owner)
    , m_probe(new LinkProbe(nullptr, this))
{
    connect(m_probe, &LinkProbe::imageLinkFound, this, &LinkOpener::generateImageViewWithURL);
}

LinkOpener::~LinkOpener() = default;

void LinkOpener::setNetworkAccessManager(QNetworkAccessManager *manager)
{
    m_manager = manager;
    m_probe->setNetworkAccessManager(manager);
}

void LinkOpener::open(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    if (scheme == u"http" || scheme == u"https")
        m_probe->probe(url);
    else
        TextClick::openLink(url); // mail and other handlers cannot be probed
}

bool LinkOpener::performPostTextClick(const ClickActions &actions)
{
    return TextClick::performPostTextClick(actions, [this](const QUrl &url) { open(url); });
}

ImagePreviewPanel *LinkOpener::panel() const
{
    return m_panel;
}

DragImageView *LinkOpener::imageView() const
{
    return m_imageView;
}

void LinkOpener::generateImageViewWithURL(const QUrl &url)
{
    auto *panel = new ImagePreviewPanel(url, m_manager, m_owner ? m_owner->window() : nullptr);
    m_panel = panel;
    m_imageView = panel->imageView();
    panel->show();
    panel->raise();
    panel->activateWindow();
}
