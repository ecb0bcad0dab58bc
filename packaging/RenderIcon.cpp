// RenderIcon: a build-time tool that draws the application icon's SVG as square PNG files for the
// icon theme's fixed-size folders, with the same SVG renderer the window uses for its icons.
//   RenderIcon SVG OUTPUT_FOLDER NAME SIZE...
// writes OUTPUT_FOLDER/<SIZE>x<SIZE>/apps/NAME.png for each size; exits 1 naming what failed.

#include <QByteArray>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc < 5) {
        std::fputs("usage: RenderIcon SVG OUTPUT_FOLDER NAME SIZE...\n", stderr);
        return 2;
    }
    QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "RenderIcon: %s is not an SVG image Qt can draw\n", argv[1]);
        return 1;
    }
    const QString folder = QString::fromLocal8Bit(argv[2]);
    const QString name = QString::fromLocal8Bit(argv[3]);
    for (int i = 4; i < argc; ++i) {
        char* end = nullptr;
        long size = std::strtol(argv[i], &end, 10);
        if (*end != '\0' || size < 8 || size > 1024) {
            std::fprintf(stderr, "RenderIcon: bad size \"%s\"\n", argv[i]);
            return 2;
        }
        const int pixels = static_cast<int>(size);
        QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            renderer.render(&painter, QRectF(0, 0, pixels, pixels));
        }
        const QString sizeFolder = folder + QStringLiteral("/%1x%1/apps").arg(pixels);
        const QString path = sizeFolder + QLatin1Char('/') + name + QStringLiteral(".png");
        if (!QDir().mkpath(sizeFolder) || !image.save(path, "PNG")) {
            std::fprintf(stderr, "RenderIcon: could not write %s\n", path.toLocal8Bit().constData());
            return 1;
        }
    }
    return 0;
}
