// velto-render-images: draws the program's SVG artwork into PNGs at build
// time, so that the program itself never loads the SVG module or its plugins
// (about half a megabyte of a start), and writes the resource file that holds
// them. A build tool: never installed, never linked into the programs.
//
//   velto-render-images <output folder> <item>...
//
// where an item is
//   PATH/NAME.svg              an image drawn at the SVG's own size: NAME.png,
//                              NAME@2x.png and NAME@3x.png, the names the
//                              toolkit knows for denser screens;
//   PATH/NAME.svg@96           the same, drawn at 96 pixels;
//   PATH/NAME.svg=16,22,...    an image the desktop asks for at sizes of its
//                              own (tray, window icon): NAME/16.png, ...
// Everything lands in <output folder>/images, listed in
// <output folder>/images.qrc under the prefix ":/images".
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSvgRenderer>

#include <cstdio>

namespace {

void complain(const QString &text)
{
    std::fprintf(stderr, "velto-render-images: %s\n", qPrintable(text));
}

bool render(QSvgRenderer &svg, const QSize &size, const QString &path)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    svg.render(&painter, QRectF(QPointF(0, 0), size));
    painter.end();
    if (!image.save(path, "PNG")) {
        complain(QStringLiteral("cannot write %1").arg(path));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    // No display is needed to draw into an image, but text in an SVG needs
    // the fonts of a GUI application.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 3) {
        complain(QStringLiteral("usage: velto-render-images <output folder> <item>..."));
        return 2;
    }
    const QDir output(arguments.at(1));
    if (!output.mkpath(QStringLiteral("images"))) {
        complain(QStringLiteral("cannot make %1/images").arg(output.path()));
        return 1;
    }

    QStringList made;
    for (const QString &item : arguments.mid(2)) {
        // Split at the end, as a folder's name may hold "=" or "@" too.
        static const QRegularExpression parts(
            QStringLiteral("^(.+\\.svg)(?:@(\\d+)|=([\\d,]+))?$"));
        const QRegularExpressionMatch match = parts.match(item);
        if (!match.hasMatch()) {
            complain(QStringLiteral("%1 names no SVG file").arg(item));
            return 2;
        }
        const QString source = match.captured(1);
        const QString sides = match.captured(3);
        const QString name = QFileInfo(source).completeBaseName();
        QSvgRenderer svg(source);
        if (!svg.isValid()) {
            complain(QStringLiteral("cannot read %1").arg(source));
            return 1;
        }
        if (sides.isEmpty()) {
            const int side = match.captured(2).toInt();
            const QSize drawn = side > 0 ? QSize(side, side) : svg.defaultSize();
            for (int scale : { 1, 2, 3 }) {
                const QString file = scale == 1
                    ? QStringLiteral("images/%1.png").arg(name)
                    : QStringLiteral("images/%1@%2x.png").arg(name).arg(scale);
                if (!render(svg, drawn * scale, output.filePath(file)))
                    return 1;
                made << file;
            }
            continue;
        }
        output.mkpath(QStringLiteral("images/") + name);
        for (const QString &text : sides.split(u',')) {
            bool number = false;
            const int side = text.toInt(&number);
            if (!number || side <= 0) {
                complain(QStringLiteral("%1: %2 is no size").arg(item, text));
                return 2;
            }
            const QString file = QStringLiteral("images/%1/%2.png").arg(name).arg(side);
            if (!render(svg, QSize(side, side), output.filePath(file)))
                return 1;
            made << file;
        }
    }

    // Written last and whole: a build stopped half-way leaves no list of
    // images that are not there.
    QSaveFile list(output.filePath(QStringLiteral("images.qrc")));
    if (!list.open(QIODevice::WriteOnly)) {
        complain(QStringLiteral("cannot write %1").arg(list.fileName()));
        return 1;
    }
    list.write("<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n<qresource prefix=\"/\">\n");
    for (const QString &file : std::as_const(made))
        list.write(QByteArray("    <file>" + file.toUtf8() + "</file>\n"));
    list.write("</qresource>\n</RCC>\n");
    if (!list.commit()) {
        complain(QStringLiteral("cannot write %1").arg(list.fileName()));
        return 1;
    }
    return 0;
}
