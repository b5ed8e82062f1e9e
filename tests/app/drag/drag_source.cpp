// A file manager's part in the drop test: a small window at the bottom right of
// the screen that drags the files named on its command line, as URLs, once
// a button is pressed on it, and ends when the drag is over.
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

namespace {

class Source : public QWidget {
 public:
  explicit Source(QList<QUrl> urls) : urls_(std::move(urls)) {
    setWindowTitle(QStringLiteral("drag source"));
    setGeometry(940, 680, 80, 80);
  }

 protected:
  void mousePressEvent(QMouseEvent*) override {
    auto* drag = new QDrag(this);
    auto* data = new QMimeData;
    data->setUrls(urls_);
    drag->setMimeData(data);
    drag->exec(Qt::CopyAction);
    QApplication::quit();
  }

 private:
  QList<QUrl> urls_;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QList<QUrl> urls;
  for (const QString& file : QApplication::arguments().mid(1)) urls << QUrl::fromLocalFile(file);
  Source source(urls);
  source.show();
  return app.exec();
}
