// Renders the program's palette mark, an SVG file, into the square PNG icons
// a desktop environment looks up by size: pv_iconrender <svg> <out-dir> <size>...
// writes <out-dir>/<size>x<size>.png for each size.

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: pv_iconrender <svg> <out-dir> <size>...\n");
        return 2;
    }
    QSvgRenderer svg(QString::fromLocal8Bit(argv[1]));
    if (!svg.isValid()) {
        std::fprintf(stderr, "pv_iconrender: %s is not an SVG picture that can be read\n", argv[1]);
        return 1;
    }
    const QDir out(QString::fromLocal8Bit(argv[2]));
    if (!out.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "pv_iconrender: cannot create %s\n", argv[2]);
        return 1;
    }
    for (int i = 3; i < argc; ++i) {
        const int size = QByteArray(argv[i]).toInt();
        if (size <= 0 || size > 4096) {
            std::fprintf(stderr, "pv_iconrender: %s is not an icon size\n", argv[i]);
            return 2;
        }
        QImage icon(size, size, QImage::Format_ARGB32_Premultiplied);
        icon.fill(Qt::transparent);
        QPainter p(&icon);
        p.setRenderHint(QPainter::Antialiasing);
        svg.render(&p, QRectF(0, 0, size, size));
        p.end();
        const QString path = out.filePath(QStringLiteral("%1x%1.png").arg(size));
        if (!icon.save(path, "PNG")) {
            std::fprintf(stderr, "pv_iconrender: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
