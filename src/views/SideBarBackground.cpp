#include "views/SideBarBackground.h"

#include <QPainter>

#include <random>

namespace {

constexpr int kTileSide = 128;
constexpr qreal kNoiseOpacity = 0.045;

QImage makeNoiseTile()
{
    QImage tile(kTileSide, kTileSide, QImage::Format_Grayscale8);
    // A fixed seed keeps the grain still from one run and one repaint to the next.
    std::minstd_rand generator(20120814);
    std::uniform_int_distribution<int> level(0, 255);
    for (int y = 0; y < kTileSide; ++y) {
        uchar *line = tile.scanLine(y);
        for (int x = 0; x < kTileSide; ++x)
            line[x] = uchar(level(generator));
    }
    return tile;
}

} // namespace

const QImage &sideBarNoiseTile()
{
    static const QImage tile = makeNoiseTile();
    return tile;
}

void paintSideBarBackground(QPainter &painter, const QRect &rect, const QColor &colour)
{
    painter.save();
    painter.fillRect(rect, colour);
    painter.setOpacity(kNoiseOpacity);
    static const QPixmap tile = QPixmap::fromImage(sideBarNoiseTile());
    painter.drawTiledPixmap(rect, tile, rect.topLeft());
    painter.restore();
}
