// Draws the main menu's background picture and window icon. Run once by hand:
//   g++ -std=c++20 -fPIC makeart.cpp $(pkg-config --cflags --libs Qt6Gui) -o makeart && ./makeart
// The output files are kept in this folder.
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>

static void drawBox(QPainter &p, QRectF r, QColor c)
{
    p.setPen(QPen(c.darker(160), 2));
    p.setBrush(c);
    p.drawRect(r);
    p.setPen(QPen(c.darker(130), 2));
    p.drawLine(r.center().x(), r.top(), r.center().x(), r.top() + r.height() * 0.35);
    p.drawLine(r.left(), r.top() + r.height() * 0.35, r.right(), r.top() + r.height() * 0.35);
}

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    QImage bg(1024, 768, QImage::Format_RGB32);
    {
        QPainter p(&bg);
        p.setRenderHint(QPainter::Antialiasing);
        QLinearGradient sky(0, 0, 0, 768);
        sky.setColorAt(0, QColor(214, 236, 255));
        sky.setColorAt(1, QColor(160, 200, 235));
        p.fillRect(bg.rect(), sky);
        // Warehouse wall and floor.
        p.fillRect(QRect(0, 560, 1024, 208), QColor(196, 170, 132));
        p.setPen(QPen(QColor(150, 126, 95), 2));
        for (int x = -200; x < 1024; x += 80)
            p.drawLine(x, 768, x + 200, 560);
        // Shelving with goods boxes.
        QRandomGenerator rng(20261209);
        const QColor palette[] = {QColor(214, 150, 80), QColor(230, 190, 110), QColor(190, 120, 70),
                                  QColor(120, 170, 120), QColor(200, 90, 80), QColor(110, 150, 200)};
        for (int rack = 0; rack < 3; ++rack) {
            const int left = 60 + rack * 330;
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(90, 90, 100));
            p.drawRect(left, 150, 12, 420);
            p.drawRect(left + 268, 150, 12, 420);
            for (int shelf = 0; shelf < 4; ++shelf) {
                const int y = 250 + shelf * 105;
                p.setBrush(QColor(120, 120, 130));
                p.drawRect(left, y, 280, 10);
                int x = left + 16;
                while (x < left + 250) {
                    const int w = 30 + int(rng.bounded(40));
                    const int h = 40 + int(rng.bounded(45));
                    if (x + w > left + 264)
                        break;
                    drawBox(p, QRectF(x, y - h, w, h), palette[rng.bounded(6)]);
                    x += w + 6;
                }
            }
        }
        // Title banner.
        QPainterPath banner;
        banner.addRoundedRect(QRectF(262, 40, 500, 80), 18, 18);
        p.setPen(QPen(QColor(40, 80, 60), 3));
        p.setBrush(QColor(192, 255, 192));
        p.drawPath(banner);
        QFont f(QStringLiteral("DejaVu Sans"), 34, QFont::Bold);
        p.setFont(f);
        p.setPen(QColor(30, 70, 50));
        p.drawText(QRectF(262, 40, 500, 80), Qt::AlignCenter, QStringLiteral("GUDANG"));
    }
    bg.save(QStringLiteral("utama.jpg"), "JPG", 88);

    // The icon is drawn on a 32-unit grid (as icons/org.gudangtoko.Gudang.svg) at every size
    // the desktop asks for.
    auto drawIcon = [](int size) {
        QImage icon(size, size, QImage::Format_ARGB32);
        icon.fill(Qt::transparent);
        QPainter p(&icon);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 32.0, size / 32.0);
        QPainterPath roof;
        roof.moveTo(2, 14);
        roof.lineTo(16, 3);
        roof.lineTo(30, 14);
        roof.closeSubpath();
        p.setPen(QPen(QColor(60, 40, 30), 1.5));
        p.setBrush(QColor(200, 80, 60));
        p.drawPath(roof);
        p.setBrush(QColor(230, 200, 150));
        p.drawRect(QRectF(5, 14, 22, 16));
        p.setBrush(QColor(214, 150, 80));
        p.drawRect(QRectF(9, 19, 7, 7));
        p.drawRect(QRectF(17, 21, 6, 5));
        return icon;
    };
    for (int size : { 16, 24, 32, 48, 64, 128, 256 })
        drawIcon(size).save(QStringLiteral("icons/%1.png").arg(size), "PNG");
    const QImage icon = drawIcon(32);
    icon.save(QStringLiteral("utama.png"), "PNG");
    return 0;
}
