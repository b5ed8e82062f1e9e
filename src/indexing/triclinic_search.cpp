#include "indexing/triclinic_search.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <numbers>
#include <string>

#include "indexing/dichotomy_search.h"
#include "textio/text_writer.h"

namespace difscop::indexing {

namespace {

constexpr double kDegree = std::numbers::pi / 180.0;
// Marks the search's own lines among what the library prints.
constexpr char kRecordMark = '\x1e';

void WriteAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) _exit(3);
    done += static_cast<std::size_t>(n);
  }
}

// Our records go to the same stream as the library's chatter, in order.
void Record(const std::string& text) {
  std::cout.flush();
  std::fflush(stdout);
  WriteAll(1, std::string(1, kRecordMark) + text + "\n");
}

// The child: volume slices upwards, "S a b c alpha beta gamma" per cell.
void RunChild(const TriclinicSearch& search) {
  SliceRequest request;
  request.system = CrystalSystem::Triclinic;
  request.spurious = search.spurious;
  request.lengthMax = search.lengthMax;
  for (double t : search.twoTheta) {
    const double theta = t * kDegree / 2;
    request.dSpacings.push_back(search.wavelength / (2 * std::sin(theta)));
    request.dStarError.push_back(4 * std::cos(theta) / search.wavelength *
                                 (search.tolerance * kDegree / 2));
  }
  const double step = std::max((search.volumeMax - search.volumeMin) / 8, 20.0);
  for (double v = search.volumeMin; v < search.volumeMax; v += step) {
    request.volumeMin = v;
    request.volumeMax = std::min(v + step, search.volumeMax);
    for (const SliceSolution& s : SearchSlice(request)) {
      Record(textio::Format("S %.9g %.9g %.9g %.9g %.9g %.9g", s.cell.a, s.cell.b, s.cell.c,
                            s.cell.alpha, s.cell.beta, s.cell.gamma));
    }
  }
}

std::vector<double> Numbers(std::string_view text) {
  std::vector<double> values;
  const char* p = text.data();
  const char* end = text.data() + text.size();
  while (p < end) {
    while (p < end && *p == ' ') ++p;
    if (p == end) break;
    double v = 0;
    auto [next, ec] = std::from_chars(p, end, v);
    if (ec != std::errc()) return {};
    values.push_back(v);
    p = next;
  }
  return values;
}

}  // namespace

TriclinicStatus SearchTriclinic(const TriclinicSearch& search, const std::atomic<bool>* cancel,
                                const std::function<void(const Cell&)>& found,
                                const std::function<void()>& tick) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return TriclinicStatus::Failed;
  // Nothing buffered here may be written twice by the child.
  std::cout.flush();
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child < 0) {
    close(fds[0]);
    close(fds[1]);
    return TriclinicStatus::Failed;
  }
  if (child == 0) {
    const int null = open("/dev/null", O_RDWR);
    if (null >= 0) {
      dup2(null, 0);
      dup2(null, 2);
    }
    dup2(fds[1], 1);
    signal(SIGPIPE, SIG_DFL);
    RunChild(search);
    Record("E");
    _exit(0);
  }
  close(fds[1]);

  bool ended = false, cancelled = false;
  std::string pending;
  auto handleLine = [&](std::string_view line) {
    if (line.size() < 2 || line[0] != kRecordMark) return;
    if (line[1] == 'E') ended = true;
    if (line[1] != 'S') return;
    const std::vector<double> v = Numbers(line.substr(2));
    if (v.size() == 6 && found) found({v[0], v[1], v[2], v[3], v[4], v[5]});
  };
  char buffer[4096];
  for (;;) {
    if (cancel && cancel->load()) {
      cancelled = true;
      break;
    }
    pollfd p{fds[0], POLLIN, 0};
    const int ready = poll(&p, 1, 50);
    if (tick) tick();
    if (ready <= 0) continue;
    const ssize_t n = read(fds[0], buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    pending.append(buffer, static_cast<std::size_t>(n));
    std::size_t start = 0, end;
    while ((end = pending.find('\n', start)) != std::string::npos) {
      handleLine(std::string_view(pending).substr(start, end - start));
      start = end + 1;
    }
    pending.erase(0, start);
  }
  close(fds[0]);
  if (cancelled) kill(child, SIGKILL);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (cancelled) return TriclinicStatus::Cancelled;
  if (!ended || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return TriclinicStatus::Failed;
  return TriclinicStatus::Done;
}

}  // namespace difscop::indexing
