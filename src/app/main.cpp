// difscop: the powder-diffraction pattern viewer.
#include <QApplication>
#include <QFile>
#include <QTimer>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/commands/command_line.h"
#include "app/main_frame.h"
#include "app/pattern_window.h"
#include "textio/temporary_files.h"

int main(int argc, char** argv) {
  {
    // Answered before any window (or display) is needed.
    const std::vector<std::string> given(argv + 1, argv + argc);
    using difscop::commands::InformationRequest;
    switch (difscop::commands::InformationRequested(given)) {
      case InformationRequest::kHelp:
        std::fputs(difscop::commands::UsageText("difscop").c_str(), stdout);
        return 0;
      case InformationRequest::kVersion:
        std::fputs(difscop::commands::VersionText().c_str(), stdout);
        return 0;
      case InformationRequest::kNone:
        break;
    }
  }
  // Neither a signal nor the end of the program leaves a file half written
  // under a temporary name.
  difscop::textio::RemoveTemporariesOnSignals();
  QApplication app(argc, argv);
  // Numbers in data files and in what the program writes are C numbers,
  // whatever the user's locale (QApplication has just adopted it).
  std::setlocale(LC_NUMERIC, "C");
  QApplication::setApplicationName(QStringLiteral("Difscop"));

  // Qt has taken its own options out of the argument list.
  const QStringList args = QApplication::arguments();
  std::vector<std::string> arguments;
  for (qsizetype i = 1; i < args.size(); ++i)
    arguments.push_back(QFile::encodeName(args[i]).toStdString());
  const std::string program =
      args.isEmpty() ? std::string(argv[0]) : QFile::encodeName(args[0]).toStdString();

  difscop::app::MainFrame frame(program, arguments);
  // Start-up measurements: leave as soon as the first picture is on screen
  // (with the files named on the command line opened).
  if (std::getenv("DIFSCOP_QUIT_AFTER_FIRST_PAINT")) {
    QObject::connect(&frame, &difscop::app::MainFrame::startupDone, &app,
                     [&app] { QTimer::singleShot(0, &app, &QApplication::quit); });
  }
  frame.show();
  const int status = app.exec();
  difscop::textio::RemoveHeldTemporaries();
  return status;
}
