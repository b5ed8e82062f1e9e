// The profile tools on patterns written by other programs: the automatic
// search lists the strong lines of each once, without tuning, and fitted
// Ka1 positions agree with the refined cells of the fitted files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <numbers>
#include <numeric>
#include <string>
#include <vector>

#include "import/fitted_reader.h"
#include "import/open_commands.h"
#include "pattern_fixture.h"
#include "platform/scripted_platform.h"
#include "processing/profile_commands.h"
#include "processing/profile_fit.h"
#include "processing/snip.h"

namespace difscop::processing {
namespace {

std::string Sample(const char* name) {
  return std::string(DIFSCOP_SAMPLES_DIR) + "/" + name;
}

// A pattern of the real files: a FullProf profile with its observed points
// as a measured pattern, any other file as Open Pattern reads it.
std::unique_ptr<workspace::Workspace> RealPattern(const std::string& path) {
  auto ws = std::make_unique<workspace::Workspace>();
  platform::ScriptedPlatform ui;
  ui.openAnswers = {path};
  const bool fitted = path.ends_with(".prf");
  if (!(fitted ? import::OpenFittedCommand(*ws, ui, import::kFullProfPrf)
               : import::OpenPatternCommand(*ws, ui)))
    return nullptr;
  return ws;
}

using RealPatterns = testing::ScratchDir;

TEST_F(RealPatterns, TheAutomaticSearchListsEachStrongLineOnceWithoutTuning) {
  // Debian's objcryst-fox examples (installed with the test dependencies):
  // cimetidine, crowded with weak lines, and PbSO4 on a neutron diffractometer.
  std::vector<std::string> files;
  for (const char* fox : {"tutorial-cimetidine/cime.dat", "tutorial-pbso4/neutron.dat"}) {
    const std::string packed = std::string("/usr/share/doc/objcryst-fox/example/") + fox + ".gz";
    const std::string out = (dir / std::filesystem::path(fox).filename()).string();
    if (std::system(("gzip -dc '" + packed + "' > '" + out + "' 2>/dev/null").c_str()) != 0) {
      ADD_FAILURE() << packed << " cannot be read: install objcryst-fox";
      continue;
    }
    files.push_back(out);
  }
  for (const char* name : {"fullprof_free_pbso4_xray.dat", "bruker_bt86.raw",
                           "gsas_fxye_11bm_49494pts.fxye", "fullprof_y2o3_columns.prf",
                           "fullprof_rutile_anatase_two_phases.prf", "pbso4_condensed_neutron.prf"})
    files.push_back(Sample(name));

  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    auto ws = RealPattern(file);
    ASSERT_TRUE(ws) << "did not load";
    const PatternArrays a = ObservedArrays(*ws);
    const double step = a.x[1] - a.x[0];
    platform::ScriptedPlatform ui;
    const std::vector<double> listed = AutomaticPeakPositions(*ws, ui, a.x.front(), a.x.back());
    EXPECT_LE(listed.size(), 150u);
    EXPECT_TRUE(ui.Headlines().empty());

    // The strong lines: the highest points within ten either side, at a
    // tenth of the highest line or more, of the refinement's own profile
    // where the file has one, else of five-point means of the counts.
    std::vector<double> profile(a.y.size());
    for (std::size_t i = 0; i < a.y.size(); ++i) {
      if (!ws->rawLoaded) {
        profile[i] = ws->calc[i + 1].y;
        continue;
      }
      const std::size_t from = i < 2 ? 0 : i - 2, to = std::min(a.y.size() - 1, i + 2);
      profile[i] = std::accumulate(&a.y[from], &a.y[to] + 1, 0.0) / static_cast<double>(to - from + 1);
    }
    const std::vector<double> under = SnipBackground(profile, SnipHalfWindow(a.x, kDefaultSnipWindow));
    double highest = 0.0;
    for (std::size_t i = 0; i < profile.size(); ++i) highest = std::max(highest, profile[i] - under[i]);
    std::vector<std::size_t> strong;
    for (std::size_t i = 10; i + 10 < profile.size(); ++i) {
      if (profile[i] - under[i] >= 0.1 * highest &&
          profile[i] == *std::max_element(&profile[i - 10], &profile[i + 10] + 1))
        strong.push_back(i);
    }
    ASSERT_GE(strong.size(), 2u);
    // A copper pattern's resolved Ka2 lines are companions, not lines.
    const bool copper = std::fabs(ws->wavelength - 1.540593f) < 1e-3f;
    for (std::size_t s : strong) {
      const bool companion = copper && std::any_of(strong.begin(), strong.end(), [&](std::size_t o) {
        return profile[o] > profile[s] &&
               std::fabs(Ka2Angle(a.x[o], 1.54441 / 1.540593) - a.x[s]) < 0.05;
      });
      // Listed at its top, or elsewhere on its upper half where two lines
      // blend into one flat top.
      const auto near = static_cast<std::ptrdiff_t>(std::ceil(std::max(0.05, 2.0 * step) / step - 1e-3));
      auto upper = [&](std::ptrdiff_t i) { return 2.0 * (profile[i] - under[i]) >= profile[s] - under[s]; };
      std::ptrdiff_t from = static_cast<std::ptrdiff_t>(s) - near, to = static_cast<std::ptrdiff_t>(s) + near;
      while (from > 0 && upper(from - 1)) --from;
      while (to + 1 < static_cast<std::ptrdiff_t>(profile.size()) && upper(to + 1)) ++to;
      const bool found = std::any_of(listed.begin(), listed.end(), [&](double f) {
        return f >= a.x[static_cast<std::size_t>(std::max<std::ptrdiff_t>(from, 0))] - 1e-4 &&
               f <= a.x[static_cast<std::size_t>(std::min<std::ptrdiff_t>(to, static_cast<std::ptrdiff_t>(profile.size()) - 1))] + 1e-4;
      });
      EXPECT_TRUE(found || companion) << "strong line at " << a.x[s] << " not listed";
    }

    // No two listed lines lie within the fitted width of either.
    const ProfileOptions o = SourceProfileOptions(*ws, ProfileShape::kPseudoVoigt, false, copper);
    const ProfileFit fit = FitProfiles({a.x, a.y, {}, {}}, listed, o);
    const FittedPeak* last = nullptr;
    for (const FittedPeak& p : fit.peaks) {
      if (!p.ok) continue;
      if (last) {
        EXPECT_GT(p.twoTheta.value - last->twoTheta.value,
                  std::min(p.fwhm.value, last->fwhm.value))
            << "lines at " << last->twoTheta.value << " and " << p.twoTheta.value;
      }
      last = &p;
    }
  }
}

TEST_F(RealPatterns, RutilePositionsAgreeWithItsCell) {
  auto ws = RealPattern(Sample("fullprof_rutile_anatase_two_phases.prf"));
  ASSERT_TRUE(ws) << "fullprof_rutile_anatase_two_phases.prf did not load";
  platform::ScriptedPlatform ui;
  const PatternArrays a = ObservedArrays(*ws);
  ProfileOptions o = SourceProfileOptions(*ws, ProfileShape::kPseudoVoigt, false, true);
  const ProfileFit fit =
      FitProfiles({a.x, a.y, {}, {}}, AutomaticPeakPositions(*ws, ui, 20, 99), o);
  // Rutile (P4_2/mnm, the refined cell of the file) against the strong
  // fitted lines from 30 degrees with no other line within 0.3 degrees: one
  // common zero shift.
  const double ar = 4.59275, cr = 2.95898;
  std::vector<double> shift;
  for (const FittedPeak& p : fit.peaks) {
    const bool crowded = std::any_of(fit.peaks.begin(), fit.peaks.end(), [&](const FittedPeak& q) {
      return &q != &p && q.ok && std::fabs(q.twoTheta.value - p.twoTheta.value) < 0.3;
    });
    if (!p.ok || crowded || p.twoTheta.value < 30.0 || p.twoTheta.esd > 0.0015) continue;
    for (int h = 0; h < 6; ++h)
      for (int k = 0; k <= h; ++k)
        for (int l = 0; l < 5; ++l) {
          if ((h + k + l) % 2 && (h == 0 || k == 0)) continue;
          const double s =
              o.ka1Wavelength / 2 * std::sqrt((h * h + k * k) / (ar * ar) + l * l / (cr * cr));
          const double d =
              p.twoTheta.value - 360.0 / std::numbers::pi * std::asin(std::min(s, 1.0));
          if (std::fabs(d) < 0.03) shift.push_back(d);
        }
  }
  ASSERT_GE(shift.size(), 6u);
  const double zero =
      std::accumulate(shift.begin(), shift.end(), 0.0) / static_cast<double>(shift.size());
  for (double d : shift) EXPECT_NEAR(d, zero, 0.005);
}

}  // namespace
}  // namespace difscop::processing
