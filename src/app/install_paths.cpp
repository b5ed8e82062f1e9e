#include "app/install_paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace difscop::app {

std::string InstalledDataDirectory() {
  const QDir beside(QCoreApplication::applicationDirPath() +
                    QStringLiteral("/" DIFSCOP_DATADIR_FROM_BINDIR));
  if (beside.exists()) return QFile::encodeName(beside.canonicalPath()).toStdString();
  return DIFSCOP_INSTALL_DATADIR;
}

std::string IndexProgramPath() {
  const QString here = QCoreApplication::applicationDirPath();
  for (const QString& dir : {here, here + QStringLiteral("/" DIFSCOP_HELPERS_FROM_BINDIR),
                             QStringLiteral(DIFSCOP_BUILD_HELPERS_DIR)}) {
    const QFileInfo program(dir + QStringLiteral("/difscop-index"));
    if (program.isFile() && program.isExecutable())
      return QFile::encodeName(program.absoluteFilePath()).toStdString();
  }
  return QFile::encodeName(here + QStringLiteral("/difscop-index")).toStdString();
}

}  // namespace difscop::app
