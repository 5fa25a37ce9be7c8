// Draws Morvain's artwork: a broker hub with six nodes on a ring. A bright sweep runs
// once round the ring every 18 frames (20 degrees a frame); each node it passes sends a
// message down its spoke, through the hub and out to the opposite node. The splash strip
// holds the 18 frames as cells, the 18 icons show the same frames at 32 x 32, and the
// About emblem is one still frame.
//
// The desktop icons (hicolor sizes and an SVG) are the About emblem drawn again at each
// size: the same frame and proportions, kept in true colour with soft edges, since a
// desktop draws them far larger than the 16-colour pictures.
//
// Everything is drawn antialiased in true colour and then mapped to one fixed 16-colour
// palette (nearest colour; the last entry is transparent, used by the icons and the
// emblem only), so the committed PNGs are indexed 16-colour pictures.
//
// Usage: morvain_artwork <output folder> [<desktop icon folder>]

#include "picture_strip.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QSvgGenerator>
#include <QtMath>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdio>

namespace
{

enum Ink {
    Night,    // background of the strip
    Navy,     // icon and emblem disc
    Deep,     // spokes
    Blue,     // ring
    Sky,      // sweep tail
    Ice,      // sweep tail, highlights
    DarkTeal, // hub shade
    Teal,     // hub
    Aqua,     // hub rim, arriving message
    Amber,    // sweep tail
    Gold,     // sweep head
    Cream,    // messages
    White,
    Mist,  // idle node rim
    Slate, // idle node
    Clear, // transparent
};

constexpr std::array<QRgb, 16> palette = {
    qRgb(0x0b, 0x15, 0x30), qRgb(0x13, 0x25, 0x4f), qRgb(0x1e, 0x3a, 0x78), qRgb(0x2e, 0x5a, 0xac),
    qRgb(0x3f, 0x84, 0xd6), qRgb(0x9c, 0xc8, 0xf2), qRgb(0x0f, 0x6e, 0x6e), qRgb(0x18, 0xa3, 0xa0),
    qRgb(0x5f, 0xe0, 0xd0), qRgb(0xc9, 0x8a, 0x12), qRgb(0xf2, 0xb6, 0x32), qRgb(0xff, 0xe8, 0xa0),
    qRgb(0xff, 0xff, 0xff), qRgb(0x9a, 0xa4, 0xb8), qRgb(0x4a, 0x55, 0x70), qRgba(0, 0, 0, 0)};

QColor ink(Ink i)
{
    return QColor::fromRgba(palette[i]);
}

// Sizes of one drawing of the network, in pixels.
struct Scale {
    double ring; // radius of the ring the nodes sit on
    double ringPen;
    double hub;    // hub radius
    double node;   // node side
    double packet; // message radius
    double spokePen;
    bool messages;
};

// Angle in degrees, clockwise from twelve o'clock.
QPointF polar(QPointF centre, double radius, double degrees)
{
    const double a = qDegreesToRadians(degrees);
    return centre + QPointF(radius * std::sin(a), -radius * std::cos(a));
}

void arc(QPainter &p, QPointF centre, double radius, double from, double to, Ink colour, double pen)
{
    p.setPen(QPen(ink(colour), pen, Qt::SolidLine, Qt::FlatCap));
    p.setBrush(Qt::NoBrush);
    const QRectF box(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    // QPainter counts counter-clockwise from three o'clock in sixteenths of a degree.
    p.drawArc(box, qRound((90.0 - to) * 16), qRound((to - from) * 16));
}

void dot(QPainter &p, QPointF at, double radius, Ink fill, Ink rim, double rimPen)
{
    p.setPen(rimPen > 0 ? QPen(ink(rim), rimPen) : Qt::NoPen);
    p.setBrush(ink(fill));
    p.drawEllipse(at, radius, radius);
}

int mod(int a, int m)
{
    return ((a % m) + m) % m;
}

// One frame of the network: frame runs 0 to 17.
void drawNetwork(QPainter &p, QPointF c, const Scale &s, int frame)
{
    constexpr int nodes = 6;
    const double head = frame * 20.0;

    // A message leaves node k when the sweep reaches it (frame 3k) and takes six frames:
    // two down its spoke, one in the hub, two out along the opposite spoke, then arrival.
    auto stepOf = [&](int k) { return mod(frame - 3 * k, 18); };

    for (int k = 0; k < nodes; ++k) {
        const int step = stepOf(k);
        const int opposite = stepOf(mod(k + 3, nodes));
        const bool busyIn = step == 1 || step == 2;
        const bool busyOut = opposite == 4 || opposite == 5;
        p.setPen(QPen(ink(busyIn || busyOut ? Blue : Deep), s.spokePen));
        p.drawLine(polar(c, s.hub, k * 60.0), polar(c, s.ring - s.node / 2, k * 60.0));
    }

    arc(p, c, s.ring, 0, 360, Blue, s.ringPen);
    // The sweep: a tail that brightens towards its head.
    const std::array<Ink, 4> tail = {Blue, Sky, Amber, Gold};
    for (int i = 0; i < 4; ++i)
        arc(p, c, s.ring, head - 80 + 20 * i, head - 60 + 20 * i, tail[i], s.ringPen * 1.9);

    for (int k = 0; k < nodes; ++k) {
        const int sinceSweep = mod(frame * 20 - k * 60, 360);
        const bool arriving = stepOf(mod(k - 3, nodes)) == 6;
        Ink fill = Slate, rim = Mist;
        if (sinceSweep == 0) {
            fill = White;
            rim = Gold;
        } else if (sinceSweep == 20) {
            fill = Gold;
            rim = Cream;
        } else if (arriving) {
            fill = Aqua;
            rim = Ice;
        }
        const QPointF at = polar(c, s.ring, k * 60.0);
        p.setPen(QPen(ink(rim), 1.0));
        p.setBrush(ink(fill));
        p.drawRoundedRect(QRectF(at.x() - s.node / 2, at.y() - s.node / 2, s.node, s.node),
                          s.node / 4, s.node / 4);
    }

    const bool hubBusy = frame % 3 == 0;
    dot(p, c, s.hub + 1, DarkTeal, DarkTeal, 0);
    dot(p, c, s.hub, hubBusy ? Aqua : Teal, Aqua, s.ringPen);
    dot(p, polar(c, s.hub * 0.35, -45), s.hub * 0.3, hubBusy ? White : Ice, Ice, 0);

    dot(p, polar(c, s.ring, head), s.ringPen * 1.5, Cream, White, 0);

    if (!s.messages)
        return;
    const double span = s.ring - s.node / 2 - s.hub;
    for (int k = 0; k < nodes; ++k) {
        const int step = stepOf(k);
        double radius = 0;
        double angle = k * 60.0;
        if (step == 1 || step == 2) {
            radius = s.hub + span * (3 - step) / 3.0;
        } else if (step == 4 || step == 5) {
            radius = s.hub + span * (step - 3) / 3.0;
            angle += 180.0;
        } else {
            continue;
        }
        dot(p, polar(c, radius, angle), s.packet, Cream, Gold, 1.0);
    }
}

// Nearest palette entry, with the eye's weights; mostly transparent pixels become Clear.
uchar nearest(QRgb px)
{
    if (qAlpha(px) < 128)
        return Clear;
    int best = 0;
    int bestDistance = INT_MAX;
    for (int i = 0; i < Clear; ++i) {
        const int dr = qRed(px) - qRed(palette[i]);
        const int dg = qGreen(px) - qGreen(palette[i]);
        const int db = qBlue(px) - qBlue(palette[i]);
        const int d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return uchar(best);
}

QImage toSixteenColours(const QImage &drawn)
{
    const QImage src = drawn.convertToFormat(QImage::Format_ARGB32);
    QImage out(src.size(), QImage::Format_Indexed8);
    out.setColorTable(QList<QRgb>(palette.begin(), palette.end()));
    for (int y = 0; y < src.height(); ++y) {
        const auto *in = reinterpret_cast<const QRgb *>(src.constScanLine(y));
        uchar *line = out.scanLine(y);
        for (int x = 0; x < src.width(); ++x)
            line[x] = nearest(in[x]);
    }
    return out;
}

QImage canvas(QSize size, QColor background)
{
    QImage img(size, QImage::Format_ARGB32_Premultiplied);
    img.fill(background);
    return img;
}

QImage drawStrip()
{
    using namespace morvain::strip;
    QImage img = canvas(QSize(width, height), ink(Night));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    for (int n = 0; n < cellCount; ++n) {
        const QRect cell = cellRect(n);
        // Each cell is drawn alone, so nothing leaks into its neighbour.
        p.setClipRect(cell);
        const Scale s{22.0, 1.6, 7.0, 7.0, 2.6, 1.4, true};
        drawNetwork(p, QRectF(cell).center(), s, n);
    }
    return img;
}

// A disc behind the network so the small pictures read on light and dark backgrounds.
void paintBadge(QPainter &p, double side, const Scale &s, int frame, double rimPen = 1.2)
{
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c(side / 2.0, side / 2.0);
    dot(p, c, side / 2.0 - rimPen * 0.625, Navy, Deep, rimPen);
    drawNetwork(p, c, s, frame);
}

QImage drawBadge(int side, const Scale &s, int frame)
{
    QImage img = canvas(QSize(side, side), Qt::transparent);
    QPainter p(&img);
    paintBadge(p, side, s, frame);
    return img;
}

// The About emblem: 48 pixels wide, frame 2 of the sweep.
constexpr Scale emblemScale{16.0, 1.6, 5.5, 5.5, 2.2, 1.3, true};
constexpr int emblemSide = 48;
constexpr int emblemFrame = 2;

// The emblem scaled to another size. Pens keep at least a pixel; below 32 pixels the
// messages are left out, as on the 32-pixel icons, where they would only smudge.
QImage drawDesktopIcon(int side)
{
    const double k = side / double(emblemSide);
    const Scale e = emblemScale;
    const Scale s{e.ring * k,   std::max(1.0, e.ringPen * k),  e.hub * k, e.node * k,
                  e.packet * k, std::max(1.0, e.spokePen * k), side >= 32};
    QImage img = canvas(QSize(side, side), Qt::transparent);
    QPainter p(&img);
    paintBadge(p, side, s, emblemFrame, std::max(1.0, 1.2 * k));
    return img;
}

bool saveDesktopIcons(const QDir &dir)
{
    bool ok = true;
    for (int side : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString folder = QStringLiteral("%1x%1").arg(side);
        const QString path = dir.filePath(folder + QStringLiteral("/morvain.png"));
        if (!dir.mkpath(folder) || !drawDesktopIcon(side).save(path, "PNG")) {
            std::fprintf(stderr, "Cannot write the icon at '%s'.\n", qPrintable(path));
            ok = false;
        }
    }
    const QString path = dir.filePath(QStringLiteral("scalable/morvain.svg"));
    if (!dir.mkpath(QStringLiteral("scalable"))) {
        std::fprintf(stderr, "Cannot write the icon at '%s'.\n", qPrintable(path));
        return false;
    }
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setTitle(QStringLiteral("Morvain"));
    svg.setSize(QSize(emblemSide, emblemSide));
    svg.setViewBox(QRect(0, 0, emblemSide, emblemSide));
    QPainter p;
    if (!p.begin(&svg)) {
        std::fprintf(stderr, "Cannot write the icon at '%s'.\n", qPrintable(path));
        return false;
    }
    paintBadge(p, emblemSide, emblemScale, emblemFrame);
    return p.end() && ok;
}

bool save(const QImage &img, const QDir &dir, const QString &name)
{
    const QString path = dir.filePath(name);
    if (!toSixteenColours(img).save(path, "PNG")) {
        std::fprintf(stderr, "Cannot write the picture at '%s'.\n", qPrintable(path));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: morvain_artwork <output folder> [<desktop icon folder>]\n");
        return 2;
    }
    QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "Cannot create the folder '%s'.\n", argv[1]);
        return 1;
    }

    bool ok = save(drawStrip(), dir, QStringLiteral("strip.png"));
    const Scale icon{10.5, 1.3, 3.6, 3.6, 1.6, 1.0, false};
    for (int n = 0; n < morvain::strip::cellCount; ++n)
        ok = save(drawBadge(32, icon, n), dir,
                  QStringLiteral("icon%1.png").arg(n, 2, 10, QChar('0'))) &&
             ok;
    ok = save(drawBadge(emblemSide, emblemScale, emblemFrame), dir, QStringLiteral("emblem.png")) &&
         ok;
    if (argc == 3)
        ok = saveDesktopIcons(QDir(QString::fromLocal8Bit(argv[2]))) && ok;
    return ok ? 0 : 1;
}
