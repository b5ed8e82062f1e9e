#include "app/toolbar_icons.h"

#include <QPainter>
#include <QPixmap>
#include <array>
#include <cmath>

namespace difscop::app {

namespace {

// A 5 x 7 pixel font for the letters the buttons carry; '#' is ink.
struct Glyph {
  char letter;
  std::array<const char*, 7> rows;
};
constexpr Glyph kGlyphs[] = {
    {'M', {"#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"}},
    {'R', {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"}},
    {'N', {"#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#", "#...#"}},
    {'I', {".###.", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."}},
    {'S', {".####", "#....", "#....", ".###.", "....#", "....#", "####."}},
    {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}},
    {'?', {".###.", "#...#", "....#", "..##.", "..#..", ".....", "..#.."}},
};

void Letter(QImage& img, char letter, int left, int top, QColor ink) {
  for (const Glyph& g : kGlyphs) {
    if (g.letter != letter) continue;
    for (int y = 0; y < 7; ++y) {
      for (int x = 0; x < 5; ++x) {
        if (g.rows[y][x] == '#') img.setPixelColor(left + x, top + y, ink);
      }
    }
  }
}

const QColor kInk(0, 0, 0);
const QColor kFolder(255, 214, 0);
const QColor kFolderDark(160, 120, 0);
const QColor kPaper(255, 255, 255);
const QColor kBlue(0, 0, 192);
const QColor kRed(208, 0, 0);
const QColor kGrey(128, 128, 128);

QImage Blank() {
  QImage img(kButtonWidth, kButtonHeight, QImage::Format_ARGB32);
  img.fill(Qt::transparent);
  return img;
}

void Folder(QImage& img) {
  QPainter p(&img);
  p.setPen(kFolderDark);
  p.setBrush(kFolder);
  p.drawRect(0, 3, 15, 11);
  p.drawRect(0, 1, 6, 2);
}

void Disk(QImage& img) {
  QPainter p(&img);
  p.setPen(kInk);
  p.setBrush(kBlue);
  p.drawRect(0, 0, 15, 14);
  p.setBrush(kPaper);
  p.drawRect(3, 0, 9, 7);
  p.fillRect(4, 11, 8, 3, kGrey);
}

void Page(QImage& img) {
  QPainter p(&img);
  p.setPen(kInk);
  p.setBrush(kPaper);
  p.drawRect(1, 0, 13, 14);
  p.drawLine(10, 0, 14, 4);
}

// A framed plot with a curve y = f(x) (0..1, 1 at the top).
template <class F>
void Plot(QImage& img, QColor colour, F f) {
  QPainter p(&img);
  p.setPen(kInk);
  p.setBrush(kPaper);
  p.drawRect(0, 0, 15, 14);
  p.setPen(colour);
  QPoint last;
  for (int x = 1; x <= 14; ++x) {
    const QPoint here(x, 13 - static_cast<int>(std::lround(f((x - 1) / 13.0) * 11.0)));
    if (x > 1) p.drawLine(last, here);
    last = here;
  }
}

}  // namespace

QImage ToolbarImage(int id) {
  QImage img = Blank();
  switch (id) {
    case 32901: {  // Open Pattern: an open folder with a peak coming out
      Folder(img);
      QPainter p(&img);
      p.setPen(kRed);
      p.drawLine(3, 12, 6, 12);
      p.drawLine(6, 12, 8, 5);
      p.drawLine(8, 5, 10, 12);
      p.drawLine(10, 12, 13, 12);
      break;
    }
    case 32779:  // Mac File
      Folder(img);
      Letter(img, 'M', 5, 6, kInk);
      break;
    case 32773:  // Rigaku RINT File
      Folder(img);
      Letter(img, 'R', 5, 6, kInk);
      break;
    case 32775:  // Igor PAT File
      Folder(img);
      Letter(img, 'I', 5, 6, kRed);
      break;
    case 32791:  // Rietan Normal Format export
      Disk(img);
      Letter(img, 'N', 5, 1, kInk);
      break;
    case 32809:  // Smoothing: noise dots under a smooth curve
      Plot(img, kBlue, [](double x) { return 0.45 + 0.4 * std::sin(x * 6.2832); });
      for (int x = 2; x <= 13; x += 2) img.setPixelColor(x, 7 + (x % 4 == 0 ? 3 : -2), kGrey);
      break;
    case 32810: {  // Auto Peak Search: a peak with a marker above it
      Plot(img, kRed,
           [](double x) { return 0.05 + 0.7 * std::exp(-std::pow((x - 0.5) / 0.12, 2)); });
      QPainter p(&img);
      p.setPen(kBlue);
      p.drawLine(7, 1, 7, 3);
      p.drawLine(6, 2, 8, 2);
      break;
    }
    case 32803:  // Sma4 black and white
      Page(img);
      Letter(img, 'S', 4, 4, kInk);
      break;
    case 32805:  // EMF black and white
      Page(img);
      Letter(img, 'E', 4, 4, kInk);
      break;
    case 32873: {  // Zoom Back: a magnifier with an arrow pointing back
      QPainter p(&img);
      p.setPen(kInk);
      p.setBrush(kPaper);
      p.drawEllipse(0, 0, 10, 10);
      p.drawLine(9, 9, 14, 14);
      p.drawLine(10, 9, 15, 14);
      p.setPen(kBlue);
      p.drawLine(3, 5, 7, 5);
      p.drawLine(3, 5, 5, 3);
      p.drawLine(3, 5, 5, 7);
      break;
    }
    case 32846:  // Help: a page with a question mark
      Page(img);
      Letter(img, '?', 4, 4, kBlue);
      break;
    case 57664: {  // About
      QPainter p(&img);
      p.setPen(kBlue);
      p.setBrush(kBlue);
      p.drawEllipse(1, 0, 13, 13);
      p.end();
      Letter(img, '?', 5, 3, kPaper);
      break;
    }
    case 57665: {  // Exit: a door and an arrow leaving it
      QPainter p(&img);
      p.setPen(kInk);
      p.setBrush(QColor(150, 90, 40));
      p.drawRect(1, 0, 7, 14);
      p.setPen(kRed);
      p.drawLine(6, 7, 14, 7);
      p.drawLine(12, 5, 14, 7);
      p.drawLine(12, 9, 14, 7);
      break;
    }
    default:
      return QImage();
  }
  return img;
}

QIcon ToolbarIcon(int id) {
  const QImage img = ToolbarImage(id);
  return img.isNull() ? QIcon() : QIcon(QPixmap::fromImage(img));
}

QIcon ProgramIcon() {
  QImage img(32, 32, QImage::Format_ARGB32);
  img.fill(QColor(0, 0, 128));
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QColor(255, 255, 0));
  p.drawRect(3, 3, 26, 26);
  p.setPen(QPen(QColor(255, 64, 64), 1.5));
  QPointF last;
  for (int x = 0; x <= 24; ++x) {
    const double t = x / 24.0;
    const double y = 0.1 + 0.8 * std::exp(-std::pow((t - 0.3) / 0.05, 2)) +
                     0.45 * std::exp(-std::pow((t - 0.7) / 0.06, 2));
    const QPointF here(4 + x, 28 - y * 22);
    if (x > 0) p.drawLine(last, here);
    last = here;
  }
  p.end();
  return QIcon(QPixmap::fromImage(img));
}

}  // namespace difscop::app
