#include "cli/batch.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <thread>

#include "cli/json_output.h"
#include "export/powder_commands.h"
#include "textio/scan.h"

namespace difscop::cli {
namespace {

namespace fs = std::filesystem;

int Refuse(const SubcommandSpec& spec, const std::string& why) {
  std::fprintf(stderr, "difscop-cli %s: %s\n", spec.name, why.c_str());
  return UsageError(spec.name);
}

// A word that is a number ("-5", "-0.25") is a value, not an option.
bool LooksLikeOption(const std::string& word) {
  return word.size() > 1 && word[0] == '-' && !textio::ParseFiniteNumber(word);
}

struct SplitArgs {
  std::vector<std::string> positional;
  std::vector<std::pair<std::string, std::vector<std::string>>> options;  // in the order given
  const std::vector<std::string>* Find(const std::string& name) const {
    for (const auto& [n, values] : options) {
      if (n == name) return &values;
    }
    return nullptr;
  }
};

// The extension of each file's output in a batch run of a File subcommand.
std::optional<std::string> OutputExtension(const SubcommandSpec& spec, const SplitArgs& split) {
  const std::string name = spec.name;
  if (name == "export") {
    const auto* to = split.Find("--to");
    const int format = to ? exporter::PowderFormatOfName(to->front()) : -1;
    if (format < 0) return std::nullopt;  // export itself says why
    return std::string(exporter::kPowderFormats[format].defaultExtension);
  }
  if (name == "render") {
    const auto* type = split.Find("--out-type");
    return "." + (type ? type->front() : std::string("png"));
  }
  return std::string(".xy");
}

// Turns --out-dir into each file's own output; false (after saying why) when
// two files would write the same place or a file would be overwritten.
bool PlaceOutputs(const SubcommandSpec& spec, const SplitArgs& split, RunPlan& plan) {
  const auto* outDir = split.Find("--out-dir");
  const bool several = plan.runs.size() > 1;
  const char* single = spec.output == BatchOutput::File      ? "--out"
                       : spec.output == BatchOutput::CellRef ? "--cellref"
                                                             : nullptr;
  if (single && split.Find(single)) {
    if (outDir) {
      Refuse(spec, std::string(single) + " and --out-dir exclude each other");
      return false;
    }
    if (several) {
      Refuse(spec, std::string("several files: give --out-dir DIR instead of ") + single);
      return false;
    }
  }
  if (!outDir || (spec.output == BatchOutput::Directory && !several)) return true;
  const fs::path dir = outDir->front();
  std::optional<std::string> extension;
  if (spec.output == BatchOutput::File) {
    extension = OutputExtension(spec, split);
    if (!extension) return true;
  }
  std::set<fs::path> inputs;
  for (const FileRun& r : plan.runs) inputs.insert(fs::absolute(r.file).lexically_normal());
  std::map<fs::path, std::string> taken;
  for (FileRun& r : plan.runs) {
    const fs::path stem = fs::path(r.file).stem();
    fs::path target;
    switch (spec.output) {
      case BatchOutput::File: target = dir / (stem.string() + *extension); break;
      case BatchOutput::CellRef: target = dir / (stem.string() + ".inp"); break;
      default: target = dir / stem; break;
    }
    const fs::path key = fs::absolute(target).lexically_normal();
    if (inputs.count(key)) {
      Refuse(spec, target.string() + " is an input file: choose another --out-dir");
      return false;
    }
    if (auto [at, fresh] = taken.emplace(key, r.file); !fresh) {
      Refuse(spec, at->second + " and " + r.file + " would both write " + target.string());
      return false;
    }
    if (spec.output == BatchOutput::Directory) {
      for (std::size_t k = 1; k < r.args.size(); ++k) {
        if (r.args[k - 1] == "--out-dir") r.args[k] = target.string();
      }
    } else {
      r.args.push_back(single);
      r.args.push_back(target.string());
    }
  }
  return true;
}

// One child's captured output.
struct Job {
  std::FILE* out = nullptr;
  std::FILE* err = nullptr;
  pid_t pid = -1;
  int status = -1;
  bool done = false;
};

std::string ReadAll(std::FILE* f) {
  std::string text;
  std::rewind(f);
  char buffer[65536];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) text.append(buffer, n);
  std::fclose(f);
  return text;
}

bool Start(Job& job, const FileRun& r, SubcommandRun run) {
  job.out = std::tmpfile();
  job.err = std::tmpfile();
  if (!job.out || !job.err) return false;
  std::fflush(nullptr);
  job.pid = ::fork();
  if (job.pid < 0) return false;
  if (job.pid == 0) {
    ::dup2(::fileno(job.out), STDOUT_FILENO);
    ::dup2(::fileno(job.err), STDERR_FILENO);
    const int status = run(r.args);
    std::fflush(nullptr);
    ::_exit(status);
  }
  return true;
}

void Emit(const RunPlan& plan, const FileRun& r, Job& job) {
  const std::string out = ReadAll(job.out), err = ReadAll(job.err);
  if (!plan.json && !out.empty()) std::printf("==> %s <==\n", r.file.c_str());
  std::fwrite(out.data(), 1, out.size(), stdout);
  std::fwrite(err.data(), 1, err.size(), stderr);
  if (job.status != 0) {
    std::fprintf(stderr, "difscop-cli: %s failed (exit status %d)\n", r.file.c_str(), job.status);
    if (plan.json && out.empty()) {
      std::string reason = err;
      while (!reason.empty() && reason.back() == '\n') reason.pop_back();
      PrintJson({{"file", r.file}, {"status", job.status}, {"error", reason}});
    }
  }
  std::fflush(stdout);
  std::fflush(stderr);
}

}  // namespace

std::optional<RunPlan> PlanRuns(const SubcommandSpec& spec, const std::vector<std::string>& args) {
  RunPlan plan;
  SplitArgs split;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& word = args[i];
    if (word == "--help" || word == "-h") {
      plan.help = true;
      return plan;
    }
    if (!LooksLikeOption(word)) {
      split.positional.push_back(word);
      continue;
    }
    const OptionSpec* option = FindOption(spec, word);
    if (!option) {
      Refuse(spec, "unknown option: " + word);
      return std::nullopt;
    }
    const auto arity = static_cast<std::size_t>(option->arity);
    if (args.size() - i - 1 < arity) {
      Refuse(spec, word + " needs " + std::to_string(arity) + " value(s)");
      return std::nullopt;
    }
    split.options.emplace_back(word, std::vector<std::string>(args.begin() + static_cast<long>(i) + 1,
                                                              args.begin() + static_cast<long>(i + 1 + arity)));
    i += arity;
  }

  plan.json = split.Find("--json") != nullptr;
  plan.jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  if (const auto* jobs = split.Find("-j")) {
    int n = 0;
    const std::string& t = jobs->front();
    if (t.empty() || textio::ParseInt(t, n) != t.size() || n < 1) {
      Refuse(spec, "-j needs a whole number of at least 1");
      return std::nullopt;
    }
    plan.jobs = n;
  }

  // What every file's run gets besides its file: the leading words, then the
  // options this program does not take over itself.
  std::vector<std::string> common;
  const std::size_t leading = spec.leadingWords < 0 ? split.positional.size()
                                                    : static_cast<std::size_t>(spec.leadingWords);
  if (split.positional.size() <= leading && spec.leadingWords >= 0) {
    Refuse(spec, "no file given");
    return std::nullopt;
  }
  common.assign(split.positional.begin(), split.positional.begin() + static_cast<long>(leading));
  std::vector<std::string> options;
  for (const auto& [name, values] : split.options) {
    if (name == "-j" || name == "--out-type") continue;
    if (name == "--out-dir" && spec.output != BatchOutput::Directory) continue;
    options.push_back(name);
    options.insert(options.end(), values.begin(), values.end());
  }
  if (spec.leadingWords < 0) {
    plan.runs.push_back({"", common});
    plan.runs.back().args.insert(plan.runs.back().args.end(), options.begin(), options.end());
    return plan;
  }
  if (spec.together && split.positional.size() > leading + 1 && !split.Find("--out-dir")) {
    FileRun all{split.positional[leading], common};
    all.args.insert(all.args.end(), split.positional.begin() + static_cast<long>(leading),
                    split.positional.end());
    all.args.insert(all.args.end(), options.begin(), options.end());
    plan.runs.push_back(std::move(all));
    return plan;
  }
  for (std::size_t i = leading; i < split.positional.size(); ++i) {
    FileRun r{split.positional[i], common};
    r.args.push_back(split.positional[i]);
    r.args.insert(r.args.end(), options.begin(), options.end());
    plan.runs.push_back(std::move(r));
  }
  if (!PlaceOutputs(spec, split, plan)) return std::nullopt;
  if (spec.output == BatchOutput::Directory && plan.runs.size() > 1) {
    for (const FileRun& r : plan.runs) {
      for (std::size_t k = 1; k < r.args.size(); ++k) {
        std::error_code error;
        if (r.args[k - 1] == "--out-dir") fs::create_directory(r.args[k], error);
      }
    }
  }
  return plan;
}

int RunPlanned(const RunPlan& plan, SubcommandRun run) {
  if (plan.runs.size() == 1) return run(plan.runs.front().args);
  const std::size_t n = plan.runs.size();
  std::vector<Job> jobs(n);
  // Finished files wait for the earlier ones; so that their captured output
  // does not pile up without end, no file starts further ahead than this.
  const std::size_t window = static_cast<std::size_t>(plan.jobs) * 4 + 8;
  std::size_t next = 0, emitted = 0;
  int running = 0;
  bool usageError = false, anyFailed = false;
  while (emitted < n) {
    while (!usageError && next < n && running < plan.jobs && next < emitted + window) {
      if (!Start(jobs[next], plan.runs[next], run)) {
        std::fprintf(stderr, "difscop-cli: cannot start a process for %s: %s\n",
                     plan.runs[next].file.c_str(), std::strerror(errno));
        jobs[next].done = true;
        jobs[next].status = 1;
        anyFailed = true;
        if (!jobs[next].out) jobs[next].out = std::tmpfile();
        if (!jobs[next].err) jobs[next].err = std::tmpfile();
      } else {
        ++running;
      }
      ++next;
    }
    while (emitted < next && jobs[emitted].done) {
      if (jobs[emitted].out && jobs[emitted].err) Emit(plan, plan.runs[emitted], jobs[emitted]);
      ++emitted;
    }
    if (emitted == n || (usageError && running == 0 && emitted == next)) break;
    if (running == 0) continue;
    int status = 0;
    const pid_t pid = ::waitpid(-1, &status, 0);
    if (pid < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (std::size_t k = emitted; k < next; ++k) {
      if (jobs[k].pid != pid || jobs[k].done) continue;
      jobs[k].done = true;
      jobs[k].status = WIFEXITED(status) ? WEXITSTATUS(status) : 1;
      if (jobs[k].status == 2) usageError = true;
      if (jobs[k].status != 0) anyFailed = true;
      --running;
    }
  }
  return usageError ? 2 : anyFailed ? 1 : 0;
}

}  // namespace difscop::cli
