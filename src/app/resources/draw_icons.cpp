// Draws the application icon: quillmere.svg and quillmere-SIZE.png at the
// usual sizes of the hicolor theme, from one list of shapes on a 48 x 48 grid. Run by the
// "app-icons" target when the picture changes; the results are kept in the source tree.
//
//   usage: quillmere_draw_icons OUTPUT_FOLDER
//
// The picture: a dark tile; top left a 2 x 2 block of texels, bottom right a
// white card with a landscape (the PNG), and two arrows between them.
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QTextStream>
#include <cstdio>
#include <vector>

namespace {

struct Shape {
    enum Kind { kRoundRect, kPolygon, kCircle } kind;
    const char* color;
    std::vector<QPointF> points;  // round rect: top left, size, (radius, 0); circle: centre, (r, 0)
};

const std::vector<Shape>& Shapes() {
    static const std::vector<Shape> shapes = {
        {Shape::kRoundRect, "#28364f", {{1, 1}, {46, 46}, {8, 0}}},
        // The texels.
        // (Edges on multiples of 3 stay sharp at 16 pixels.)
        {Shape::kRoundRect, "#e4572e", {{6, 6}, {9, 9}, {0.5, 0}}},
        {Shape::kRoundRect, "#f3a712", {{15, 6}, {9, 9}, {0.5, 0}}},
        {Shape::kRoundRect, "#3fb950", {{6, 15}, {9, 9}, {0.5, 0}}},
        {Shape::kRoundRect, "#3d8fe0", {{15, 15}, {9, 9}, {0.5, 0}}},
        // The PNG card.
        {Shape::kRoundRect, "#ffffff", {{24, 24}, {18, 18}, {2, 0}}},
        {Shape::kPolygon, "#3d8fe0", {{26, 39}, {31.5, 30}, {35, 35}, {37, 33}, {40, 39}}},
        {Shape::kCircle, "#f3a712", {{36.5, 29}, {2.5, 0}}},
        // Down to the card, up to the texels.
        {Shape::kPolygon,
         "#ffffff",
         {{31.5, 6}, {36.5, 6}, {36.5, 13}, {40.5, 13}, {34, 20}, {27.5, 13}, {31.5, 13}}},
        {Shape::kPolygon,
         "#ffffff",
         {{11.5, 42}, {16.5, 42}, {16.5, 35}, {20.5, 35}, {14, 28}, {7.5, 35}, {11.5, 35}}},
    };
    return shapes;
}

QString Svg() {
    QString text;
    QTextStream out(&text);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<!-- Drawn by draw_icons.cpp; edit the shapes there. -->\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"48\" height=\"48\" "
           "viewBox=\"0 0 48 48\">\n";
    for (const Shape& shape : Shapes()) {
        const auto& p = shape.points;
        switch (shape.kind) {
            case Shape::kRoundRect:
                out << "  <rect x=\"" << p[0].x() << "\" y=\"" << p[0].y() << "\" width=\""
                    << p[1].x() << "\" height=\"" << p[1].y() << "\" rx=\"" << p[2].x()
                    << "\" fill=\"" << shape.color << "\"/>\n";
                break;
            case Shape::kPolygon:
                out << "  <polygon points=\"";
                for (std::size_t i = 0; i < p.size(); ++i) {
                    out << (i == 0 ? "" : " ") << p[i].x() << "," << p[i].y();
                }
                out << "\" fill=\"" << shape.color << "\"/>\n";
                break;
            case Shape::kCircle:
                out << "  <circle cx=\"" << p[0].x() << "\" cy=\"" << p[0].y() << "\" r=\""
                    << p[1].x() << "\" fill=\"" << shape.color << "\"/>\n";
                break;
        }
    }
    out << "</svg>\n";
    return text;
}

QImage Draw(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.scale(size / 48.0, size / 48.0);
    for (const Shape& shape : Shapes()) {
        const auto& p = shape.points;
        painter.setBrush(QColor(QLatin1String(shape.color)));
        switch (shape.kind) {
            case Shape::kRoundRect:
                painter.drawRoundedRect(QRectF(p[0], QSizeF(p[1].x(), p[1].y())), p[2].x(),
                                        p[2].x());
                break;
            case Shape::kPolygon:
                painter.drawPolygon(QPolygonF(QList<QPointF>(p.begin(), p.end())));
                break;
            case Shape::kCircle:
                painter.drawEllipse(p[0], p[1].x(), p[1].x());
                break;
        }
    }
    painter.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

}  // namespace

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        const QString path = QStringLiteral("%1/quillmere-%2.png").arg(folder).arg(size);
        if (!Draw(size).save(path, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    QFile svg(folder + QStringLiteral("/quillmere.svg"));
    if (!svg.open(QIODevice::WriteOnly | QIODevice::Truncate) || svg.write(Svg().toUtf8()) < 0) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(svg.fileName()));
        return 1;
    }
    return 0;
}
