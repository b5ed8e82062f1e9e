// The subcommands of difscop-cli as data: their words, options and help
// texts. The usage texts, the option check before a run and the batch runs
// are made from this table, and the manual page and the shell completion are
// tested against what it prints: a new subcommand or option is added here.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace difscop::cli {

struct OptionSpec {
  const char* name;   // "--threshold", or "-j"
  const char* value;  // what follows it in the usage ("T", "XMIN XMAX"), "" for a flag
  int arity;          // how many words follow it
  const char* help;   // one line
};

// Where a batch run (several files) puts each file's output when --out-dir
// DIR is given.
enum class BatchOutput {
  None,       // nothing written; --out-dir is not an option
  File,       // --out PATH becomes DIR/STEM.EXT (EXT: OutputExtension)
  Directory,  // the subcommand's own --out-dir becomes DIR/STEM
  CellRef,    // --cellref PATH becomes DIR/STEM.inp
};

struct SubcommandSpec {
  const char* name;
  const char* words;  // the positional words of one run, "FORMAT FILE"
  int leadingWords;   // words before the pattern files; -1: reads no pattern
  const char* summary;
  std::vector<OptionSpec> options;
  BatchOutput output = BatchOutput::None;
  bool json = false;  // takes --json
  // Several files with the single output (--out, not --out-dir) are one
  // run over all of them (render: one picture showing every pattern).
  bool together = false;
};

// Every subcommand, in the order the usage lists them.
const std::vector<SubcommandSpec>& Subcommands();
const SubcommandSpec* FindSubcommand(std::string_view name);
const OptionSpec* FindOption(const SubcommandSpec& spec, std::string_view name);

// The format names FORMAT takes.
extern const char* const kFormatNames;

// "difscop-cli NAME --help": synopsis, summary, options, formats.
std::string UsageText(const SubcommandSpec& spec);
// "difscop-cli --help": every subcommand's synopsis, the formats and the exit statuses.
std::string ProgramUsage();

// The subcommand's synopsis and where its options are told, on stderr after a
// wrong call; returns 2, the exit status of a usage error.
int UsageError(std::string_view name);

// The program's version, "1.0".
extern const char* const kVersion;

}  // namespace difscop::cli
