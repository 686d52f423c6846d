// Draws Quib's icon as a PNG of the given size: two players and the link between them on a
// night-blue tile. The packages install it in the hicolor icon theme.
//   make_icon 48 quib.png
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  const int size = argc == 3 ? std::atoi(argv[1]) : 0;
  if (size < 16 || size > 1024) {
    std::fputs("usage: make_icon <size in pixels, 16 to 1024> <file.png>\n", stderr);
    return 2;
  }
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(size / 64.0, size / 64.0);  // drawn on a grid of 64 by 64

  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(0x1f, 0x2a, 0x44));
  painter.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);

  // Each player: a head and shoulders, one sand-coloured, one copper.
  const QColor colours[] = {QColor(0xe8, 0xd3, 0xa2), QColor(0xd9, 0x7b, 0x4a)};
  const double centres[] = {19, 45};
  for (int i = 0; i < 2; ++i) {
    const double x = centres[i];
    painter.setBrush(colours[i]);
    painter.drawEllipse(QPointF(x, 29), 6.5, 6.5);
    QPainterPath shoulders;
    shoulders.moveTo(x - 11, 53);
    shoulders.cubicTo(x - 11, 41, x - 6, 38, x, 38);
    shoulders.cubicTo(x + 6, 38, x + 11, 41, x + 11, 53);
    shoulders.closeSubpath();
    painter.drawPath(shoulders);
  }

  // The link: an arc from one head to the other.
  painter.setPen(QPen(QColor(0x8f, 0xc7, 0xe8), 3.5, Qt::SolidLine, Qt::RoundCap));
  painter.setBrush(Qt::NoBrush);
  QPainterPath link;
  link.moveTo(19, 18);
  link.quadTo(32, 4, 45, 18);
  painter.drawPath(link);
  painter.end();
  return image.save(argv[2], "PNG") ? 0 : 1;
}
