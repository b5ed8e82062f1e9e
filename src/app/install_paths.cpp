#include "app/install_paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

namespace difscop::app {

std::string InstalledDataDirectory() {
  const QDir beside(QCoreApplication::applicationDirPath() +
                    QStringLiteral("/" DIFSCOP_DATADIR_FROM_BINDIR));
  if (beside.exists()) return QFile::encodeName(beside.canonicalPath()).toStdString();
  return DIFSCOP_INSTALL_DATADIR;
}

}  // namespace difscop::app
