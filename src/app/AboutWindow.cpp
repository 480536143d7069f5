#include "app/AboutWindow.h"

#include "core/OutsideAddresses.h"
#include "platform/UrlOpener.h"
#include "views/ProgramImages.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

AboutWindow::AboutWindow(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About Velto"));
    auto *layout = new QVBoxLayout(this);
    auto *icon = new QLabel(this);
    icon->setPixmap(programImage(QStringLiteral("velto")).pixmap(96, 96));
    icon->setAlignment(Qt::AlignCenter);
    layout->addWidget(icon);
    auto *name = new QLabel(
        QStringLiteral("<b>Velto</b> %1").arg(QCoreApplication::applicationVersion()), this);
    name->setAlignment(Qt::AlignCenter);
    layout->addWidget(name);

    auto *buttons = new QHBoxLayout;
    const std::pair<QString, QString> pages[] = {
        { QStringLiteral("Manual"), manualsPath() },
        { QStringLiteral("Website"), homePath() },
        { QStringLiteral("Support"), supportPath() },
        { QStringLiteral("Acknowledgements"), acknowledgementsPath() },
    };
    for (const auto &[title, path] : pages) {
        auto *button = new QPushButton(title, this);
        button->setObjectName(title);
        connect(button, &QPushButton::clicked, this, [path = path] {
            UrlOpener::openOrTell(QUrl(OutsideAddresses::current().makerSiteBase + path));
        });
        buttons->addWidget(button);
    }
    layout->addLayout(buttons);
}
