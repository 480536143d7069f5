#include "views/ProgramImages.h"

#include "support/ImageDecoding.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QPixmap>
#include <QtMath>

#include <algorithm>

namespace {
Q_LOGGING_CATEGORY(lcProgramImages, "velto.images")
}

// The resources live in a static library; referencing their initialiser
// keeps the linker from dropping them from the programs that use them.
static void ensureImageResources()
{
    static const bool loaded = [] {
        Q_INIT_RESOURCE(images);
        return true;
    }();
    Q_UNUSED(loaded);
}

namespace {

// Read with the format named: the toolkit's own loading (QIcon or QPixmap of
// a file name) guesses it, which loads every image plugin on the machine to
// ask it, the SVG one among them.
QPixmap readPng(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QPixmap::fromImage(decodedImage(file.readAll()));
}

QString imagePath(const QString &name)
{
    return QStringLiteral(":/images/") + name;
}

// The toolkit too takes the densest screen's ratio, once, when it reads an
// icon's file; only the pixels a screen here can show are decoded.
int screenScale()
{
    const qreal ratio = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
    return qBound(1, qCeil(ratio), 3);
}

} // namespace

QIcon programImage(const QString &name)
{
    ensureImageResources();
    QIcon icon;
    if (!name.isEmpty())
        icon.addPixmap(readPng(imagePath(name) + QStringLiteral(".png")));
    if (icon.isNull()) {
        qCWarning(lcProgramImages) << "No image named" << name;
        return {};
    }
    if (const int scale = screenScale(); scale > 1)
        icon.addPixmap(readPng(imagePath(name) + QStringLiteral("@%1x.png").arg(scale)));
    return icon;
}

QIcon programImageSizes(const QString &name, int upTo)
{
    ensureImageResources();
    QList<int> sides;
    const QDir folder(imagePath(name));
    // Walked without name filters: those are regular expressions, and the
    // first one compiled brings half a megabyte of the expression library in.
    if (!name.isEmpty()) {
        QDirIterator files(folder.path(), QDir::Files);
        while (files.hasNext()) {
            const QString file = files.next();
            if (file.endsWith(QLatin1String(".png")))
                sides << QStringView(file).sliced(file.lastIndexOf(u'/') + 1).chopped(4).toInt();
        }
    }
    std::sort(sides.begin(), sides.end());
    QIcon icon;
    const int largest = upTo * screenScale();
    for (int side : std::as_const(sides)) {
        icon.addPixmap(readPng(folder.filePath(QString::number(side) + QStringLiteral(".png"))));
        if (side >= largest)
            break;
    }
    if (icon.isNull())
        qCWarning(lcProgramImages) << "No image sizes named" << name;
    return icon;
}
