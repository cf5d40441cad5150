// Build tool: renders an SVG picture to a square PNG of the given size, for the icon themes of
// desktops and trays that want pixels. Usage: RenderIcon IN.svg SIZE OUT.png
#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    bool sizeOk = false;
    const int size = args.value(2).toInt(&sizeOk);
    QSvgRenderer renderer(args.value(1));
    if (args.size() != 4 || !sizeOk || size <= 0 || !renderer.isValid()) {
        QTextStream(stderr) << "usage: RenderIcon IN.svg SIZE OUT.png\n";
        return 2;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    return image.save(args.at(3)) ? 0 : 1;
}
