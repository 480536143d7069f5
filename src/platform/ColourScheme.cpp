#include "platform/ColourScheme.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QStyle>
#include <QStyleFactory>

namespace {

Q_LOGGING_CATEGORY(colourLog, "velto.colours")

} // namespace

namespace ColourScheme {

QPalette darkPalette()
{
    const QColor window(0x35, 0x35, 0x35);
    const QColor base(0x24, 0x24, 0x24);
    const QColor text(0xee, 0xee, 0xee);
    const QColor highlight(0x2a, 0x82, 0xda);
    QPalette dark(text, window, window.lighter(150), window.darker(200), window.darker(150), text,
        QColor(Qt::white), base, window);
    dark.setColor(QPalette::AlternateBase, QColor(0x2c, 0x2c, 0x2c));
    dark.setColor(QPalette::ToolTipBase, window);
    dark.setColor(QPalette::ToolTipText, text);
    dark.setColor(QPalette::Highlight, highlight);
    dark.setColor(QPalette::HighlightedText, Qt::white);
    dark.setColor(QPalette::Link, highlight.lighter(130));
    dark.setColor(QPalette::LinkVisited, highlight.lighter(110));
    dark.setColor(QPalette::PlaceholderText, QColor(0x9a, 0x9a, 0x9a));
    const QColor disabled(0x80, 0x80, 0x80);
    for (const QPalette::ColorRole role :
        { QPalette::WindowText, QPalette::Text, QPalette::ButtonText }) {
        dark.setColor(QPalette::Disabled, role, disabled);
    }
    dark.setColor(QPalette::Disabled, QPalette::Highlight, window.lighter(130));
    return dark;
}

bool applyFromEnvironment()
{
    const QString wanted = qEnvironmentVariable(environmentVariable).trimmed().toLower();
    if (wanted.isEmpty())
        return false;
    if (wanted != QLatin1String("dark") && wanted != QLatin1String("light")) {
        qCWarning(colourLog) << environmentVariable << "is" << wanted
                             << "; it may be dark or light. The desktop's colours stay.";
        return false;
    }
    QStyle *fusion = QStyleFactory::create(QStringLiteral("Fusion"));
    if (!fusion) {
        qCWarning(colourLog) << "the Fusion style is missing; the desktop's colours stay";
        return false;
    }
    QApplication::setStyle(fusion);
    QApplication::setPalette(
        wanted == QLatin1String("dark") ? darkPalette() : fusion->standardPalette());
    return true;
}

} // namespace ColourScheme
