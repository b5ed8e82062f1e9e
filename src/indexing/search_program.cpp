#include "indexing/search_program.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>

#include "platform/program_runner.h"
#include "textio/scan.h"
#include "textio/text_writer.h"

namespace difscop::indexing {
namespace {

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  std::size_t at = 0;
  while (at < line.size()) {
    while (at < line.size() && line[at] == ' ') ++at;
    std::size_t end = at;
    while (end < line.size() && line[end] != ' ') ++end;
    if (end > at) words.push_back(line.substr(at, end - at));
    at = end;
  }
  return words;
}

// Every word from the first on as a number; false if one is not.
bool Numbers(std::span<const std::string_view> words, std::vector<double>& values) {
  values.clear();
  for (std::string_view w : words) {
    double v = 0;
    if (textio::ParseDouble(w, v) != w.size()) return false;
    values.push_back(v);
  }
  return true;
}

std::string Number(double value) {
  return textio::Format("%.17g", value);
}

// A message on one line: backslashes and line breaks escaped.
std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\')
      out += "\\\\";
    else if (c == '\n')
      out += "\\n";
    else
      out += c;
  }
  return out;
}

std::string Unescaped(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      out += text[++i] == 'n' ? '\n' : text[i];
    } else {
      out += text[i];
    }
  }
  return out;
}

constexpr std::pair<IndexOutcome::Status, const char*> kStatusWords[] = {
    {IndexOutcome::Status::Solved, "solved"},
    {IndexOutcome::Status::NoSolution, "none"},
    {IndexOutcome::Status::Refused, "refused"},
    {IndexOutcome::Status::Failed, "failed"},
    {IndexOutcome::Status::Cancelled, "cancelled"}};

bool WriteAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t n = ::send(fd, text.data(), text.size(), MSG_NOSIGNAL);
    // Not a socket (a pipe or a file in a test): an ordinary write.
    const ssize_t m = n < 0 && errno == ENOTSOCK ? ::write(fd, text.data(), text.size()) : n;
    if (m < 0 && errno == EINTR) continue;
    if (m <= 0) return false;
    text.remove_prefix(static_cast<std::size_t>(m));
  }
  return true;
}

IndexOutcome Failure(std::string message) {
  IndexOutcome outcome;
  outcome.status = IndexOutcome::Status::Failed;
  outcome.message = std::move(message);
  return outcome;
}

}  // namespace

std::string SearchRequestText(const SearchRequest& r) {
  const IndexOptions& o = r.options;
  std::string text = "wavelength " + Number(r.wavelength) + "\n";
  text += textio::Format("lines %d\nspurious %d\n", o.lines, o.maxSpurious);
  text += "tolerance " + Number(o.tolerance) + "\n";
  text += "zero-range " + Number(o.zeroRange) + "\n";
  text += textio::Format("displacement %d\n", o.displacement ? 1 : 0);
  text += "length-max " + Number(o.lengthMax) + "\n";
  text += "volume " + Number(o.volumeMin) + " " + Number(o.volumeMax) + "\n";
  text += textio::Format("threads %d\n", o.threads);
  text += "systems";
  for (CrystalSystem s : o.systems) text += textio::Format(" %d", static_cast<int>(s));
  text += "\npeaks";
  for (double t : r.twoTheta) text += " " + Number(t);
  return text + "\ngo\n";
}

std::optional<SearchRequest> ReadSearchRequest(std::string_view text, std::string& why) {
  SearchRequest r;
  bool wavelength = false, peaks = false;
  std::vector<double> v;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(start, end - start);
    start = end + 1;
    const std::vector<std::string_view> w = Words(line);
    if (w.empty()) continue;
    const std::string_view key = w[0];
    if (key == "go" && w.size() == 1) break;
    const bool numbers = Numbers(std::span(w).subspan(1), v);
    auto whole = [&v](std::size_t i) { return v[i] == static_cast<int>(v[i]); };
    bool ok = numbers;
    if (!numbers) {
      ok = false;
    } else if (key == "wavelength" && v.size() == 1) {
      r.wavelength = v[0];
      wavelength = true;
    } else if (key == "lines" && v.size() == 1 && whole(0)) {
      r.options.lines = static_cast<int>(v[0]);
    } else if (key == "spurious" && v.size() == 1 && whole(0)) {
      r.options.maxSpurious = static_cast<int>(v[0]);
    } else if (key == "tolerance" && v.size() == 1) {
      r.options.tolerance = v[0];
    } else if (key == "zero-range" && v.size() == 1) {
      r.options.zeroRange = v[0];
    } else if (key == "displacement" && v.size() == 1 && (v[0] == 0 || v[0] == 1)) {
      r.options.displacement = v[0] == 1;
    } else if (key == "length-max" && v.size() == 1) {
      r.options.lengthMax = v[0];
    } else if (key == "volume" && v.size() == 2) {
      r.options.volumeMin = v[0];
      r.options.volumeMax = v[1];
    } else if (key == "threads" && v.size() == 1 && whole(0) && v[0] >= 0 && v[0] <= 64) {
      r.options.threads = static_cast<int>(v[0]);
    } else if (key == "systems") {
      r.options.systems.clear();
      for (std::size_t i = 0; i < v.size() && ok; ++i) {
        ok = whole(i) && v[i] >= 0 && v[i] < kCrystalSystemCount;
        if (ok) r.options.systems.push_back(static_cast<CrystalSystem>(static_cast<int>(v[i])));
      }
    } else if (key == "peaks") {
      r.twoTheta = v;
      peaks = true;
    } else {
      ok = false;
    }
    if (!ok) {
      why = "not a request line: " + std::string(line);
      return std::nullopt;
    }
  }
  if (!wavelength || !peaks) {
    why = "the request gives no wavelength or no peaks";
    return std::nullopt;
  }
  return r;
}

std::string ProgressRecord(const IndexProgress& p) {
  return textio::Format("progress %d %c %lld ", static_cast<int>(p.system), p.centring,
                        p.cellsTested) +
         Number(p.bestM20) + textio::Format(" %d\n", p.solutions);
}

std::string OutcomeRecords(const IndexOutcome& outcome) {
  std::string text;
  for (const IndexSolution& s : outcome.solutions) {
    text += textio::Format("solution %d %c", static_cast<int>(s.system), s.centring);
    for (double v : {s.cell.a, s.cell.b, s.cell.c, s.cell.alpha, s.cell.beta, s.cell.gamma,
                     s.corrections.zero, s.corrections.displacement, s.merit.m20})
      text += " " + Number(v);
    text += textio::Format(" %d ", s.merit.mLines) + Number(s.merit.fn) +
            textio::Format(" %d ", s.merit.fnLines) + Number(s.merit.meanDelta) +
            textio::Format(" %d %d ", s.merit.possibleLines, s.merit.unindexed20) +
            Number(s.merit.m20Indexed) + textio::Format(" %d", static_cast<int>(s.unindexed.size()));
    for (int i : s.unindexed) text += textio::Format(" %d", i);
    text += "\n";
  }
  for (const auto& [status, word] : kStatusWords) {
    if (status == outcome.status)
      text += "end " + std::string(word) +
              (outcome.message.empty() ? "" : " " + Escaped(outcome.message)) + "\n";
  }
  return text;
}

void SearchReply::Line(std::string_view line, std::optional<IndexProgress>& progress) {
  progress.reset();
  const std::vector<std::string_view> w = Words(line);
  if (w.empty() || ended_) return;
  std::vector<double> v;
  auto system = [](double value) {
    return value >= 0 && value < kCrystalSystemCount && value == static_cast<int>(value);
  };
  if (w[0] == "progress" && w.size() == 6 && w[2].size() == 1 &&
      Numbers(std::span(w).subspan(1, 1), v) && system(v[0])) {
    const auto s = static_cast<CrystalSystem>(static_cast<int>(v[0]));
    if (!Numbers(std::span(w).subspan(3), v)) return;
    progress = IndexProgress{s, w[2][0], static_cast<long long>(v[0]), v[1], static_cast<int>(v[2])};
  } else if (w[0] == "solution" && w.size() >= 20 && w[2].size() == 1 &&
             Numbers(std::span(w).subspan(1, 1), v) && system(v[0])) {
    IndexSolution s;
    s.system = static_cast<CrystalSystem>(static_cast<int>(v[0]));
    s.centring = w[2][0];
    if (!Numbers(std::span(w).subspan(3), v) || v[16] < 0 ||
        v.size() != 17 + static_cast<std::size_t>(v[16]))
      return;
    s.cell = {v[0], v[1], v[2], v[3], v[4], v[5]};
    s.corrections = {v[6], v[7]};
    s.merit = {v[8],  static_cast<int>(v[9]),  v[10], static_cast<int>(v[11]),
               v[12], static_cast<int>(v[13]), static_cast<int>(v[14]), v[15]};
    for (std::size_t i = 17; i < v.size(); ++i) s.unindexed.push_back(static_cast<int>(v[i]));
    outcome_.solutions.push_back(s);
  } else if (w[0] == "end" && w.size() >= 2) {
    for (const auto& [status, word] : kStatusWords) {
      if (w[1] != word) continue;
      ended_ = true;
      outcome_.status = status;
      const std::size_t message = line.find(word) + std::strlen(word) + 1;
      outcome_.message = message < line.size() ? Unescaped(line.substr(message)) : "";
    }
  }
}

IndexOutcome SearchReply::Outcome() const {
  const bool whole =
      ended_ && (outcome_.status != IndexOutcome::Status::Solved || !outcome_.solutions.empty());
  return whole ? outcome_ : Failure("The indexing search ended abnormally !!!");
}

int ServeSearch(int in, int out) {
  std::string text;
  char buffer[4096];
  // The request, up to its go line.
  auto complete = [&text] {
    return text.rfind("go\n", 0) == 0 || text.find("\ngo\n") != std::string::npos;
  };
  while (!complete()) {
    const ssize_t n = ::read(in, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  std::string why;
  const std::optional<SearchRequest> request = ReadSearchRequest(text, why);
  // Whatever follows the go line (cancel, or the caller gone) ends the
  // search; a request that ended with its input has nothing to follow.
  const bool following = complete();
  const std::size_t go = text.rfind("go\n", 0) == 0 ? 0 : text.find("\ngo\n") + 1;
  std::atomic<bool> cancel{following && text.size() > go + 3};
  bool written = true;
  const IndexOutcome outcome =
      request ? IndexPeaks(request->twoTheta, request->wavelength, request->options,
                           [&](const IndexProgress& p) {
                             written = written && WriteAll(out, ProgressRecord(p));
                           },
                           &cancel, following ? in : -1)
              : Failure("difscop-index: " + why);
  return written && WriteAll(out, OutcomeRecords(outcome)) ? 0 : 1;
}

IndexOutcome RunSearchProgram(const std::string& program, std::span<const double> twoTheta,
                              double wavelength, const IndexOptions& options,
                              const std::function<void(const IndexProgress&)>& progress,
                              const std::atomic<bool>* cancel) {
  if (std::optional<std::string> refusal = CheckIndexInput(twoTheta, wavelength, options)) {
    IndexOutcome outcome;
    outcome.status = IndexOutcome::Status::Refused;
    outcome.message = *refusal;
    return outcome;
  }
  platform::ConnectedProgram child = platform::StartConnected(
      program, {std::filesystem::path(program).filename().string(), "--search"});
  if (child.socket < 0) {
    return Failure("The indexing search cannot be started !!!\n" + program + ": " +
                   std::strerror(child.error));
  }
  const SearchRequest request{{twoTheta.begin(), twoTheta.end()}, wavelength, options};
  // What the program cannot take (it ended at once) shows as a missing end.
  WriteAll(child.socket, SearchRequestText(request));

  SearchReply reply;
  std::optional<IndexProgress> shown;
  std::string pending;
  bool cancelled = false;
  // Once cancelled, the program has this long to report what it found.
  std::chrono::steady_clock::time_point deadline;
  char buffer[4096];
  for (;;) {
    if (!cancelled && cancel && cancel->load()) {
      cancelled = true;
      deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
      ::shutdown(child.socket, SHUT_WR);
    }
    if (cancelled && std::chrono::steady_clock::now() > deadline) break;
    pollfd ready{child.socket, POLLIN, 0};
    const int polled = ::poll(&ready, 1, 50);
    if (polled < 0 && errno != EINTR) break;
    if (polled <= 0) continue;
    const ssize_t n = ::read(child.socket, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    pending.append(buffer, static_cast<std::size_t>(n));
    std::size_t start = 0, end;
    while ((end = pending.find('\n', start)) != std::string::npos) {
      reply.Line(std::string_view(pending).substr(start, end - start), shown);
      if (shown && progress && !cancelled) progress(*shown);
      start = end + 1;
    }
    pending.erase(0, start);
  }
  platform::FinishConnected(child, !reply.ended());
  if (cancelled) {
    IndexOutcome outcome = reply.ended() ? reply.Outcome() : IndexOutcome{};
    outcome.status = IndexOutcome::Status::Cancelled;
    outcome.message.clear();
    return outcome;
  }
  return reply.Outcome();
}

}  // namespace difscop::indexing
