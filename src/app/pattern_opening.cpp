#include "app/pattern_opening.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <thread>

#include "import/read_context.h"
#include "import/open_commands.h"
#include "import/session_file.h"
#include "platform/file_writing.h"
#include "textio/text_writer.h"

namespace difscop::app {

namespace {

// How long the reads may take before the progress bar shows.
constexpr int kQuietMs = 500;

// Reads the files on worker threads while the window's thread goes on
// painting. Input waits for the first half second, then the modal progress
// bar takes it; Cancel (or the program's end) discards every read.
std::vector<import::FileRead> ReadAway(CommandContext& ctx, std::span<const std::string> paths,
                                       const import::FileLoader& load, bool& cancelled) {
  std::vector<import::FileRead> reads;
  std::atomic<bool> cancel{false}, finished{false};
  std::atomic<int> done{0};
  const int threads = static_cast<int>(std::max(2u, std::thread::hardware_concurrency()));
  std::thread worker([&] {
    reads = import::ReadFilesApart(paths, load, threads, cancel, done);
    finished = true;
  });

  QEventLoop wait;
  QTimer poll;
  QElapsedTimer since;
  since.start();
  QObject::connect(&poll, &QTimer::timeout, &wait, [&] {
    if (finished || since.elapsed() >= kQuietMs) wait.quit();
  });
  poll.start(5);
  wait.exec(QEventLoop::ExcludeUserInputEvents);
  poll.stop();

  if (!finished) {
    const int total = static_cast<int>(paths.size());
    QProgressDialog progress(QStringLiteral("Opening %1 files ...").arg(total),
                             QStringLiteral("Cancel"), 0, total, ctx.window);
    progress.setWindowTitle(QStringLiteral("Difscop"));
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(0);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    QObject::connect(&poll, &QTimer::timeout, &progress, [&] {
      progress.setValue(done);
      if (finished) progress.done(QDialog::Accepted);
    });
    poll.start(50);
    progress.setValue(done);
    if (!finished) progress.exec();
    poll.stop();
    cancel = !finished;
  }
  worker.join();
  cancelled = cancel;
  return reads;
}

}  // namespace

std::optional<std::vector<std::string>> OpenFiles(CommandContext& ctx,
                                                  std::span<const std::string> paths,
                                                  const import::FileLoader& load, bool replace,
                                                  std::string* report) {
  std::vector<std::string> opened;
  if (paths.empty()) {
    if (replace) workspace::CloseAllPatterns(ctx.ws);
    return opened;
  }
  std::vector<import::FileRead> reads;
  if (paths.size() == 1) {
    reads.push_back(import::ReadFileApart(paths.front(), load, &ctx.platform));
  } else {
    bool cancelled = false;
    reads = ReadAway(ctx, paths, load, cancelled);
    if (cancelled) return std::nullopt;
  }
  if (replace) workspace::CloseAllPatterns(ctx.ws);
  for (import::FileRead& read : reads) {
    // A reader that asks the user something reads again here, where it can.
    if (read.askedUser) read = import::ReadFileApart(read.path, load, &ctx.platform);
    if (!read.loaded) continue;
    opened.push_back(read.path);
    import::AdoptPattern(ctx.ws, read.path, std::move(read.pattern));
  }
  // The opened patterns are on screen behind the message.
  ctx.platform.RequestRepaint();
  if (reads.size() > 1) {
    std::string said = import::SeveralFilesReport(reads);
    if (report)
      *report = std::move(said);
    else if (!said.empty())
      ctx.platform.ShowMessage(said);
  }
  return opened;
}

void OpenChosenFiles(CommandContext& ctx, const platform::FileDialogRequest& request,
                     const import::FileLoader& load) {
  const std::vector<std::string> paths = ctx.platform.ChooseOpenFiles(request);
  if (!paths.empty()) OpenFiles(ctx, paths, load);
}

namespace {

platform::FileDialogRequest SessionDialog() {
  return {"Difscop Session File (*.json)|*.json|Other Files (*.*)|*.*||", ".json", ""};
}

}  // namespace

void SaveSessionCommand(CommandContext& ctx) {
  workspace::ListLoadedPattern(ctx.ws);
  if (ctx.ws.patterns.empty()) {
    ctx.platform.ShowMessage("No pattern is open !!!");
    return;
  }
  const std::optional<std::string> path = ctx.platform.ChooseSaveFile(SessionDialog());
  if (!path) return;
  constexpr const char* kFailed = "The session could not be saved !!!";
  std::string reason;
  const std::optional<std::string> text =
      import::SessionText(import::SessionOf(ctx.ws, *path), &reason);
  if (!text) {
    ctx.platform.ShowMessage(std::string(kFailed) + "\n" + *path + ": " + reason);
    return;
  }
  if (!platform::WriteFileOrSay(ctx.platform, *path, *text, kFailed)) return;
  // A session names files: a pattern made in this run (a background
  // subtracted, Ka2 stripped) has none, and the user is told it is not kept.
  std::string unsaved;
  int count = 0;
  for (int i = 0; i < static_cast<int>(ctx.ws.patterns.size()); ++i) {
    const workspace::Pattern& p = workspace::PatternAt(ctx.ws, i);
    if (!p.dataFilePath.empty() || p.obsCount <= 0) continue;
    ++count;
    unsaved += "\n" + ctx.ws.patterns[static_cast<std::size_t>(i)].name;
  }
  if (count > 0)
    ctx.platform.ShowInformation(textio::Format("%d pattern(s) made in this run have no file and "
                                                "are not in the session:",
                                                count) +
                                 unsaved + "\nExport them (File > Export Powder Formats) to keep them.");
}

void OpenSessionCommand(CommandContext& ctx) {
  const std::optional<std::string> path = ctx.platform.ChooseOpenFile(SessionDialog());
  if (!path) return;
  std::string reason;
  const std::optional<std::string> text = import::LoadFile(*path, &reason);
  std::optional<import::SessionFile> session;
  if (text) session = import::ParseSession(*text, &reason);
  if (!session) {
    ctx.platform.ShowMessage("Not a Difscop session file !!!\n" + *path + ": " + reason);
    return;
  }
  std::vector<std::string> located;
  for (const import::SessionPattern& p : session->patterns)
    located.push_back(import::LocatePattern(p, *path));
  std::string report;
  const std::optional<std::vector<std::string>> opened =
      OpenFiles(ctx, located, import::LoadFileByType, true, &report);
  if (!opened) return;
  // The files open in the session's order, so the opened ones are matched
  // in turn.
  std::vector<int> listIndex;
  std::size_t next = 0;
  for (const std::string& file : located) {
    const bool open = next < opened->size() && (*opened)[next] == file;
    listIndex.push_back(open ? static_cast<int>(next++) : -1);
  }
  import::ApplySession(ctx.ws, *session, listIndex);
  // The session's view is on screen behind what could not be opened.
  ctx.platform.RequestRepaint();
  if (!report.empty()) ctx.platform.ShowMessage(report);
}

}  // namespace difscop::app
