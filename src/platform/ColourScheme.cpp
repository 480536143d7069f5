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
    // White reads on it at 5:1.
    const QColor highlight(0x23, 0x70, 0xc0);
    QPalette dark(text, window, window.lighter(150), window.darker(200), window.darker(150), text,
        QColor(Qt::white), base, window);
    dark.setColor(QPalette::AlternateBase, QColor(0x2c, 0x2c, 0x2c));
    dark.setColor(QPalette::ToolTipBase, window);
    dark.setColor(QPalette::ToolTipText, text);
    dark.setColor(QPalette::Highlight, highlight);
    dark.setColor(QPalette::HighlightedText, Qt::white);
    dark.setColor(QPalette::Link, QColor(0x6c, 0xaa, 0xee));
    dark.setColor(QPalette::LinkVisited, QColor(0xa8, 0x8c, 0xe8));
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
