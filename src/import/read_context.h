// What a reader carries besides the workspace: the platform for its messages,
// the file it reads (named in refusals) and the capacities it had to stop at,
// reported once the read succeeded.
#pragma once

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "textio/line_reader.h"
#include "workspace/workspace.h"

namespace difscop::import {

struct ReadContext {
  // path may be empty (a read of bytes that come from no file).
  explicit ReadContext(platform::Platform& p, const std::string& path = {});

  platform::Platform& platform;
  std::string fileName;  // the last component of the path
  bool pointsCut = false;
  bool segmentsCut = false;
  bool phasesCut = false;
  bool reflectionsCut = false;
  std::string note;  // what else the user should know once the read succeeded


  // Shows the format's fixed text and returns false, so readers can
  // `return Fail(...)`. Under it, on a second line, what is known of the
  // cause: the file, the line (0: none) and the reason, as in
  // "Not xy Format File !!!\nscan.txt, line 8: intensity 0 is not above zero".
  bool Fail(std::string_view message, std::string_view reason = {}, int line = 0);
  // A read that stored no point has failed, whatever else it found.
  bool RequirePoints(int count, std::string_view message);
  // One message per capacity the read stopped at, then the note.
  void ReportCuts() const;
};

// The next line of a line-per-point format. A physical line too long for the
// line buffer is skipped whole: its pieces are fragments (of an XML element,
// a binary record), never a point. False at the end of the text.
bool ReadDataLine(textio::LineReader& in, std::string& line);
bool ReadDataLine(textio::LineReader& in, std::string_view& line);

// The number (from 1) of the physical line the reader read last, or of the
// line its last number came from.
int LastLineNumber(const textio::LineReader& in);

// The most of a pattern file that is read: room for every point, phase and
// reflection the workspace holds, each on a line of its own, and the header.
inline constexpr std::size_t kMaxPatternFileBytes =
    (static_cast<std::size_t>(workspace::kMaxPoints) +
     static_cast<std::size_t>(workspace::kMaxPhases) * workspace::kMaxReflections + 4096) *
    textio::kLineBufferSize;

// The bytes of a regular file in one read (textio::ReadTextFile). A file
// longer than kMaxPatternFileBytes is refused whole: a cut one would be read
// as a shorter pattern (or, binary, as nonsense). nullopt when it cannot be
// read, with the reason in *reason.
std::optional<std::string> LoadFile(const std::string& path, std::string* reason = nullptr);

// LoadFile, or "Cannot Data File Open !!" with the file and the reason.
std::optional<std::string> LoadFileOrSay(const std::string& path, platform::Platform& platform);

// A text format's bytes hold no NUL: a NUL would end the line for the number
// scanning and hide what follows it. Otherwise the format's message naming
// the line, and false.
bool RefuseNulBytes(std::string_view text, ReadContext& context, std::string_view message);

// What every reader's result must satisfy, whatever its format says: each
// point's 2theta within (0, 180) degrees, finite intensities (the calculated
// ones too when withCalc), a finite step that fits that range. profile holds
// the angles (calc for a simulated or calculated-only pattern). Otherwise the
// format's message with the first fault, and false.
bool CheckPattern(const workspace::Workspace& ws, const workspace::PointArray& profile,
                  bool withCalc, ReadContext& context, std::string_view message);

// "the file ends after N of its M points" (or another kind of item).
std::string EndsEarly(long long read, long long announced, std::string_view items = "points");

// After a failed read: nothing of what the reader stored stays counted, so no
// half-read pattern is drawn, written or processed.
void DiscardPartialRead(workspace::Workspace& ws);

inline bool Finite(float a, float b = 0.0f, float c = 0.0f) {
  return std::isfinite(a) && std::isfinite(b) && std::isfinite(c);
}

// Stores (x, y) as point count + 1 unless the array is full; a full array
// marks the read as cut. Infinite or NaN values are not a point and are
// skipped. Returns true when the point was stored. Inline: readers store
// every point through it.
[[gnu::always_inline]] inline bool AddPoint(workspace::PointArray& points, int& count, float x,
                                            float y, ReadContext& context) {
  if (!Finite(x, y)) return false;
  if (count >= workspace::kMaxPoints) {
    context.pointsCut = true;
    return false;
  }
  ++count;
  points[static_cast<std::size_t>(count)] = {x, y};
  return true;
}

// Stores a reflection position of phase p the same way.
bool AddReflection(workspace::Workspace& ws, int phase, float position, ReadContext& context);

}  // namespace difscop::import
