// What we export, read back by our own readers and by xylib.
#include <gtest/gtest.h>

#include <cmath>

#include "export/export_fixtures.h"
#include "export/powder_data.h"
#include "import/raw_reader.h"
#include "platform/scripted_platform.h"

#ifdef DIFSCOP_HAVE_XYLIB
#include <xylib/xylib.h>
#endif

namespace fs = std::filesystem;
using namespace difscop;
using namespace difscop::exporter;
using difscop::platform::ScriptedPlatform;
using difscop::test::MakePattern;
using difscop::test::TempDir;

namespace {

// Angles carry four decimals in these layouts, intensities whole counts.
void ExpectSamePoints(const workspace::Workspace& original, const workspace::Workspace& back,
                      const char* what) {
  ASSERT_EQ(back.obsCount, original.obsCount) << what;
  for (int i = 1; i <= original.obsCount; ++i) {
    EXPECT_NEAR(back.obs[i].x, original.obs[i].x, 2e-4) << what << " point " << i;
    EXPECT_EQ(back.obs[i].y, std::nearbyint(original.obs[i].y)) << what << " point " << i;
  }
}

}  // namespace

TEST(Readback, OurReadersGetEveryPointBack) {
  TempDir dir;
  // 20 points end the Rietan file with an empty line; 25 with a short line.
  for (int n : {20, 25, 101}) {
    auto ws = MakePattern(n);
    ScriptedPlatform platform;
    const std::pair<int, int> cases[] = {{kRietanNormal, import::kRietanInt},
                                         {kRietanGeneral, import::kRietanInt},
                                         {kXy, import::kXyText}};
    for (auto [format, reader] : cases) {
      fs::path file = dir / ("back" + std::to_string(format) + ".dat");
      ASSERT_TRUE(WritePowderData(*ws, platform, format, kOneSteppedObserved, file.string()));
      auto back = std::make_unique<workspace::Workspace>();
      ASSERT_TRUE(import::ReadRawPattern(*back, platform, reader, file.string()));
      ExpectSamePoints(*ws, *back, file.filename().c_str());
    }
    EXPECT_TRUE(platform.messages.empty()) << platform.messages.front();
  }
}

#ifdef DIFSCOP_HAVE_XYLIB
TEST(Readback, XylibReadsOurTextAndRieticaFiles) {
  TempDir dir;
  auto ws = MakePattern(25);
  ScriptedPlatform platform;
  for (auto [format, xylibFormat] : {std::pair{kXy, "text"}, {kRietica, "riet7"}}) {
    fs::path file = dir / "xylib.dat";
    ASSERT_TRUE(WritePowderData(*ws, platform, format, kOneSteppedObserved, file.string()));
    std::unique_ptr<xylib::DataSet> data(xylib::load_file(file.string(), xylibFormat));
    ASSERT_TRUE(data) << xylibFormat;
    ASSERT_EQ(data->get_block_count(), 1) << xylibFormat;
    const xylib::Block* block = data->get_block(0);
    const xylib::Column& x = block->get_column(1);
    const xylib::Column& y = block->get_column(2);
    ASSERT_EQ(y.get_point_count(), 25) << xylibFormat;
    for (int i = 0; i < 25; ++i) {
      EXPECT_NEAR(x.get_value(i), ws->obs[i + 1].x, 2e-4) << xylibFormat << " " << i;
      EXPECT_EQ(y.get_value(i), std::nearbyint(ws->obs[i + 1].y)) << xylibFormat << " " << i;
    }
  }
}
#endif
