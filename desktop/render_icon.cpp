// Renders the program's SVG icon as the PNG sizes of the hicolor theme, for
// desktops and tools that do not read SVG:
//   qinghe-render-icon ICON.svg OUTPUT.png SIZE
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s ICON.svg OUTPUT.png SIZE\n", argv[0]);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const int size = QString::fromLocal8Bit(argv[3]).toInt();
    if (size <= 0) {
        std::fprintf(stderr, "not a size: %s\n", argv[3]);
        return 2;
    }
    // Drawn at the size itself, not scaled down from a larger picture, so that
    // thin lines stay sharp.
    QImageReader reader(QString::fromLocal8Bit(argv[1]));
    reader.setScaledSize(QSize(size, size));
    const QImage image = reader.read();
    if (image.isNull()) {
        std::fprintf(stderr, "cannot read %s: %s\n", argv[1], qPrintable(reader.errorString()));
        return 1;
    }
    if (!image.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
