#include "export/sma4_writer.h"

#include <algorithm>
#include <vector>

#include "platform/file_writing.h"
#include "textio/text_writer.h"

namespace difscop::exporter {
namespace {

using textio::Format;
using textio::TextWriter;
using workspace::Colour;
using workspace::Workspace;

enum class Kind { kObs, kCal, kDif, kRef, kSimRef };

struct Series {
  Kind kind;
  int number;  // segment or phase, 1-based
  int first;   // first point index (segments) or 1 (reflections)
  int rows;
};

std::string Name(const Series& s) {
  const char* stem = "Ref";
  if (s.kind == Kind::kObs) stem = "Obs";
  if (s.kind == Kind::kCal) stem = "Cal";
  if (s.kind == Kind::kDif) stem = "Dif";
  return stem + std::to_string(s.number);
}

// Row offset of the marker row of phase p, in twenty-fifths of yMax; the
// same rule carries on past the fifth phase (4, 3, 3, 2).
int RowDivisor(int phase) {
  return 25 / phase;
}

int Trunc(double v) {
  return static_cast<int>(v);
}

// The segments as ranges of point indices. A measured pattern is one segment
// of all its points whatever the tables hold; the tables of a fit are kept
// within the capacities and the loaded points.
std::vector<Series> Segments(const Workspace& ws, Kind kind) {
  std::vector<Series> out;
  int total = std::clamp(ws.obsCount, 0, workspace::kMaxPoints);
  if (ws.rawLoaded) {
    out.push_back({kind, 1, 1, total});
    return out;
  }
  int segments = std::clamp(ws.segmentCount, 0, workspace::kMaxSegments);
  int start = 1;
  for (int k = 1; k <= segments; ++k) {
    int rows = std::clamp(ws.segmentPointCount[k], 0, std::max(total - start + 1, 0));
    out.push_back({kind, k, start, rows});
    start += rows;
  }
  return out;
}

int Phases(const Workspace& ws) {
  return std::clamp(ws.phaseCount, 0, workspace::kMaxPhases);
}

int Reflections(const Workspace& ws, int phase) {
  return std::clamp(ws.reflectionCount[phase], 0, workspace::kMaxReflections);
}

std::vector<Series> SeriesList(const Workspace& ws) {
  std::vector<Series> list;
  auto append = [&list](const std::vector<Series>& more) {
    list.insert(list.end(), more.begin(), more.end());
  };
  if (!ws.pairedIntLoad) {
    append(Segments(ws, Kind::kObs));
    if (ws.simulationMode) list.push_back({Kind::kSimRef, 1, 1, Reflections(ws, 1)});
  }
  if (!ws.rawLoaded) append(Segments(ws, Kind::kCal));
  if (!ws.rawLoaded && !ws.pairedIntLoad) append(Segments(ws, Kind::kDif));
  if (!ws.rawLoaded) {
    for (int p = 1; p <= Phases(ws); ++p) list.push_back({Kind::kRef, p, 1, Reflections(ws, p)});
  }
  return list;
}

class Sma4Builder {
 public:
  Sma4Builder(const Workspace& ws, bool colour)
      : ws_(ws),
        colour_(colour),
        lw_(ws.calcLineWidth * 40),
        lw2_(ws.calcLineWidth * 20),
        font_(Format("-%d ", ws.fontSize * 100)) {}

  std::string Build() {
    std::vector<Series> list = SeriesList(ws_);
    w_.Line(" Sma4Win ver. 1.7  SMP file");
    w_.Line();
    w_.Line("1 1 210 297 1 0 2");
    // One count per block written; for every mode the program knows this is
    // 2 (simulation), 1 (measured), 2 (calculated only) or 3 * segments + phases.
    w_.LineF("%d", static_cast<int>(list.size()));
    for (const Series& s : list) SeriesBlock(s);
    Graph();
    Axes();
    Legend();
    Others();
    w_.Line("[DATA]");
    for (const Series& s : list) DataBlock(s);
    return w_.Contents();
  }

 private:
  long C(Colour c) const { return colour_ ? static_cast<long>(c) : 0L; }

  void SeriesBlock(const Series& s) {
    std::string name = Name(s);
    bool reflections = s.kind == Kind::kRef || s.kind == Kind::kSimRef;
    w_.Line("[" + name + ".dat]");
    w_.Line("c:\\windowds\\temp\\" + name + ".dat");
    w_.LineF("0 0 0 0 0 1 %d 0 -1", s.rows);
    Colour c = 0;
    switch (s.kind) {
      case Kind::kObs:
        if (ws_.simulationMode) {
          LineStyle(ws_.colCalc);
          c = ws_.colCalc;
        } else if (ws_.obsDotRadius == 0) {
          LineStyle(ws_.colObsFill);
          c = ws_.colObs;
        } else {
          DotStyle(ws_.obsDotRadius, ws_.colObsFill);
          c = ws_.colObs;
        }
        break;
      case Kind::kCal:
        LineStyle(ws_.colCalc);
        c = ws_.colCalc;
        break;
      case Kind::kDif:
        DotStyle(ws_.diffDotRadius, ws_.colDiffFill);
        c = ws_.colDiff;
        break;
      case Kind::kRef:
      case Kind::kSimRef:
        w_.Line("40 0 300 0 0 0 0");
        w_.LineF("0 13 %d %ld", lw_, C(ws_.colRef));
        c = ws_.colRef;
        break;
    }
    w_.LineF("0 0 1 0 0 0 %ld 5", C(c));
    w_.Line(reflections ? "0 1" : "0 0");
    w_.Line("x");
    if (s.kind == Kind::kRef) {
      int offset = Trunc(-ws_.yMax / RowDivisor(s.number));
      w_.LineF("y%d", offset);
      w_.LineF("0 0 0 0 0 0 0 0 %d", offset);
    } else if (s.kind == Kind::kSimRef) {
      w_.LineF("y+%d", Trunc(ws_.yMax * 0.06));
      w_.Line("0 0 0 0 0 0 0 0 0");
    } else {
      w_.Line("y");
      w_.Line("0 0 0 0 0 0 0 0 0");
    }
    w_.Line("1 40 0 300 1");
    w_.Line();
    w_.Line();
  }

  void LineStyle(Colour c) {
    w_.LineF("%d %ld 300 0 0 0 0", lw_, C(c));
    w_.Line("1 0 300 0");
  }

  void DotStyle(int radius, Colour fill) {
    w_.Line("40 0 300 0 0 0 0");
    w_.LineF("0 1 %d %ld", radius * 100, C(fill));
  }

  void Graph() {
    w_.Line("[GRAPH]");
    w_.Line("5000 2100 22300 14800");
    w_.Line("100 1 0 0 1 0");
    w_.LineF("%d %ld 300 %ld", lw_, C(ws_.colFrame),
             colour_ ? static_cast<long>(ws_.colBase) : 16777215L);
    w_.Line();
  }

  void Axis(const char* header, const std::string& range, const char* style, const char* font,
            const std::string& tick1, const std::string& tick2) {
    w_.Line(header);
    w_.Line(range + " 0 0 10000 -1 -1 0 1 0 0 1 5 5 1 1");
    w_.Line(style);
    w_.Line(font_ + font);
    w_.Line("Times New Roman");
    w_.Line(tick1);
    w_.Line(tick2);
    w_.Line();
  }

  void Axes() {
    std::string x = Format("%d %d %d", Trunc(ws_.xMin), Trunc(ws_.xMax), Trunc(ws_.xTick));
    Axis("[AXIS-0]", x, "2 0 0 0 1 1 0 0 0 300 100", "0 0 0 400 0 0 0 0 3 2 1 18",
         Format("1 0 300 %d 0 300 1", lw_), Format("1 0 150 %d 0 300 1", lw2_));
    Axis("[AXIS-1]", Format("-%d %d %d", Trunc(ws_.yMax * 0.25), Trunc(ws_.yMax), Trunc(ws_.yTick)),
         "2 0 0 0 1 1 0 0 0 1200 100", "0 0 0 400 0 0 0 0 3 2 1 18",
         Format("1 0 300 %d 0 300 1", lw_), Format("1 0 300 %d 0 300 1", lw2_));
    std::string plain = Format("0 0 300 %d 0 300 1", lw_);
    Axis("[AXIS-2]", x, "2 0 0 0 1 0 0 0 0 900 100", "0 0 0 400 0 0 0 0 0 0 2 18", plain, plain);
    Axis("[AXIS-3]",
         Format("%d %d %d", Trunc(ws_.yMax * -0.1875), Trunc(ws_.yMax * 1.0625), Trunc(ws_.yTick)),
         "5 0 1 0 1 0 0 0 0 0 100", "0 0 0 400 0 0 0 0 0 0 2 18", plain, plain);
  }

  void Legend() {
    // "ＭＳ　明朝" in the Shift-JIS code page the plotting program reads.
    static const char kMinchoSjis[] = "\x82\x6C\x82\x72\x81\x40\x96\xBE\x92\xA9";
    w_.Line("[LEGEND]");
    w_.Line("2");
    w_.Line("4");
    w_.Line("10000 16400 0 1");
    w_.Line("2%Gq%A / deg");
    w_.Line(font_ + "0 0 0 400 0 0 0 0 3 2 1 18");
    w_.Line("Times New Roman");
    w_.Line(font_ + "0 0 0 400 0 0 0 128 3 2 1 17");
    w_.Line(kMinchoSjis);
    w_.Line();
    w_.Line("5");
    w_.Line(font_ + "8900 0 1");
    w_.Line("Intensity / cps");
    w_.Line(font_ + "0 -900 900 400 0 0 0 0 3 2 1 18");
    w_.Line("Times New Roman");
    w_.Line(font_ + "0 -900 900 400 0 0 0 128 3 2 1 17");
    w_.Line(kMinchoSjis);
    w_.Line();
  }

  void Others() {
    w_.Line("[OTHERS]");
    w_.Line(" 2");
    w_.Line("0 0 0 0 0 0 0 0 0");
    w_.Line("-776 0 0 0 400 0 0 0 2 3 2 1 18");
    w_.Line("Symbol");
    w_.Line();
    w_.Line("[MASKS]");
    w_.Line(" 0");
    w_.Line("0");
    w_.Line("0");
    w_.Line();
  }

  void DataBlock(const Series& s) {
    w_.Line("[" + Name(s) + ".dat] 1999-12-31 23:59:59");
    const auto& obs = ws_.obs;
    const auto& calc = ws_.calc;
    for (int r = 0; r < s.rows; ++r) {
      int i = s.first + r;
      switch (s.kind) {
        case Kind::kObs:
          if (ws_.simulationMode) {
            Row(calc[i].x, calc[i].y);
          } else {
            Row(obs[i].x, obs[i].y);
          }
          break;
        case Kind::kCal:
          Row(calc[i].x, calc[i].y);
          break;
        case Kind::kDif: {
          // Lowered below the marker rows of all phases.
          float lowered = (ws_.phaseCount + 2) * ws_.yMax / 25;
          Row(obs[i].x, obs[i].y - calc[i].y - lowered);
          break;
        }
        case Kind::kRef:
          Row(ws_.reflectionPos[s.number][i], 0.6666667 * ws_.yMax / 25);
          break;
        case Kind::kSimRef:
          Row(ws_.reflectionPos[1][i], -0.1 * ws_.yMax);
          break;
      }
    }
    w_.Line("[End of Data]");
    w_.Line();
  }

  void Row(double x, double y) { w_.LineF("%10.3f  %10.0f", x, y); }

  const Workspace& ws_;
  bool colour_;
  int lw_;
  int lw2_;
  std::string font_;
  TextWriter w_;
};

}  // namespace

std::string FormatSma4File(const Workspace& ws, bool colour) {
  return Sma4Builder(ws, colour).Build();
}

bool WriteSma4File(const Workspace& ws, platform::Platform& platform, bool colour,
                   const std::string& path) {
  return platform::WriteFileOrSay(platform, path, FormatSma4File(ws, colour), "Cannot File Open !!");
}

void ExportSma4Command(Workspace& ws, platform::Platform& platform, bool colour) {
  auto path = platform.ChooseSaveFile(
      {"Sma4 Format File (*.smp)|*.smp|Other Files (*.*)|*.*||", ".smp", ""});
  if (!path) return;
  // A file that could not be written is not offered to View Sma4.
  if (WriteSma4File(ws, platform, colour, *path)) {
    ws.sma4FilePath = *path;
    ws.sma4Written = 1;
  }
}

}  // namespace difscop::exporter
