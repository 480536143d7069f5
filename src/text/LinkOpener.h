#pragma once

#include "text/TextClick.h"

#include <QObject>
#include <QPointer>
#include <QUrl>

class DragImageView;
class ImagePreviewPanel;
class LinkProbe;
class QNetworkAccessManager;
class QWidget;

// What a click on a link in post text does, wherever the text is shown (the
// text views, the rows of the list): a web link is probed first and an image
// opens the preview panel over the window, anything else goes to the
// browser; mail links go to the desktop at once and other schemes nowhere.
class LinkOpener : public QObject {
    Q_OBJECT
public:
    // The preview opens over `owner`'s window.
    explicit LinkOpener(QWidget *owner);
    ~LinkOpener() override;

    // The program's one manager; the probes and the previews go through it.
    void setNetworkAccessManager(QNetworkAccessManager *manager);

    void open(const QUrl &url);
    // The post text rule with probed links: the link, then the hashtag, then
    // the user, each that the character carries. Answers whether anything
    // was done.
    bool performPostTextClick(const ClickActions &actions);

    // Opens the preview panel for `url` over the owner's window.
    void generateImageViewWithURL(const QUrl &url);

    LinkProbe *linkProbe() const { return m_probe; }
    ImagePreviewPanel *panel() const;
    DragImageView *imageView() const;

private:
    QWidget *m_owner = nullptr;
    LinkProbe *m_probe = nullptr;
    QPointer<QNetworkAccessManager> m_manager;
    QPointer<ImagePreviewPanel> m_panel;
    QPointer<DragImageView> m_imageView;
};
