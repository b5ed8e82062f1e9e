// Reference phases over the GSAS-II five-phase pattern (Co Ka): pyrite and
// quartz from the same file's structure blocks, as the user adds them.
#include <QDockWidget>
#include <QImage>
#include <cstdlib>
#include <set>

#include "app/commands/command_table.h"
#include "app/reference_phases.h"
#include "app_test_support.h"
#include "plot/reference_phases.h"

namespace difscop::apptest {
namespace {

const std::string kFivePhases =
    std::string(DIFSCOP_SOURCE_DIR) + "/tests/data/real/gsas2_five_phases.cif";

// Pixels of the picture in a colour, inside the frame.
int PixelsOf(const QImage& image, workspace::Colour c) {
  const QRgb want = qRgb(workspace::RedOf(c), workspace::GreenOf(c), workspace::BlueOf(c));
  int n = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) n += (image.pixel(x, y) & 0xFFFFFF) == (want & 0xFFFFFF);
  }
  return n;
}

TEST(ReferencePhases, AddedShownHoveredFittedAndRemoved) {
  ScratchDir dir;
  TestFrame t;
  t.frame.resize(1000, 640);
  t.ShowAndPaint();
  t.platform().openAnswers.push_back(kFivePhases);
  t.frame.RunCommand(32786);
  t.Settle();
  workspace::Workspace& ws = t.ws();
  ASSERT_GT(ws.obsCount, 4000) << (t.platform().messages.empty() ? "" : t.platform().messages[0]);
  ws.wavelength = 1.78892f;  // Co Ka1, as the file says

  // The panel waits hidden until the menu or Add Reference Phase shows it.
  app::ReferencePhasePanel& panel = app::ReferencePanelOf(t.frame.context());
  QAction* toggle = t.frame.action(commands::kIdToggleReferencePhases);
  ASSERT_NE(toggle, nullptr);
  EXPECT_FALSE(panel.parentWidget()->isVisible());
  toggle->trigger();
  EXPECT_TRUE(panel.parentWidget()->isVisible());
  ASSERT_TRUE(panel.AddPhase(kFivePhases, "QPABAT1ug3_phase_0"));
  ASSERT_TRUE(panel.AddPhase(kFivePhases, "QPABAT1ug3_phase_1"));
  EXPECT_FALSE(panel.AddPhase(kFivePhases, "QPABAT1ug3_pwd_0"));
  ASSERT_EQ(t.platform().messages.size(), 1u);
  EXPECT_NE(t.platform().messages[0].find("no atom sites"), std::string::npos);
  t.Settle();

  ASSERT_EQ(ws.referencePhases.size(), 2u);
  const workspace::ReferenceOverlay& pyrite = ws.referencePhases[0];
  EXPECT_EQ(pyrite.name, "Pyrite FeS2");
  EXPECT_NE(pyrite.colour, ws.referencePhases[1].colour);
  // Pyrite's 200 at Co Ka: d 2.7097, 2theta 38.55, its strongest line,
  // drawn to the highest count around it; the others in proportion.
  const workspace::ReferenceStick* s200 = nullptr;
  const workspace::ReferenceStick* s111 = nullptr;
  for (const auto& s : pyrite.sticks) {
    if (s.h == 2 && s.k == 0 && s.l == 0) s200 = &s;
    if (s.h == 1 && s.k == 1 && s.l == 1) s111 = &s;
  }
  ASSERT_NE(s200, nullptr);
  ASSERT_NE(s111, nullptr);
  EXPECT_NEAR(s200->twoTheta, 38.55, 0.01);
  EXPECT_FLOAT_EQ(s200->intensity, 100.0f);
  float local = 0, highest = 0;
  for (int i = 1; i <= ws.obsCount; ++i) {
    highest = std::max(highest, ws.obs[i].y);
    if (std::fabs(ws.obs[i].x - s200->twoTheta) <= 0.05f) local = std::max(local, ws.obs[i].y);
  }
  EXPECT_FLOAT_EQ(s200->height, local);
  EXPECT_LT(local, highest);
  EXPECT_FLOAT_EQ(s111->height, local * s111->intensity / 100.0f);

  // Each phase in its colour on the picture, the legend included.
  const QImage& picture = t.window().picture();
  for (const auto& phase : ws.referencePhases)
    EXPECT_GT(PixelsOf(picture, phase.colour), 50) << phase.name;

  // Hovering the 200 stick names it.
  const workspace::DevicePoint at{DeviceX(ws, s200->twoTheta), ws.baseY - 2};
  const auto hit = plot::ReferenceStickAt(ws, at);
  ASSERT_TRUE(hit.has_value());
  const std::string text = plot::ReferenceStickText(ws, *hit);
  EXPECT_NE(text.find("Pyrite FeS2  2 0 0  d = 2.7097"), std::string::npos) << text;
  EXPECT_FALSE(plot::ReferenceStickAt(ws, {at.x, ws.plotTop - 20}).has_value());

  // The calculated profiles, one scale each: pyrite's 200 stick then
  // reaches the top of its fitted peak, which no other pyrite line touches.
  panel.options().profile = true;
  panel.options().shape.fwhm = 0.15;
  panel.Recompute();
  t.Settle();
  for (const auto& phase : ws.referencePhases)
    EXPECT_EQ(phase.profile.size(), static_cast<std::size_t>(ws.obsCount)) << phase.name;
  const workspace::ReferenceOverlay& fitted = ws.referencePhases[0];
  for (const auto& s : fitted.sticks) {
    if (s.h != 2 || s.k != 0 || s.l != 0) continue;
    float peak = 0;
    for (const auto& p : fitted.profile) {
      if (std::fabs(p.x - s.twoTheta) < 0.1f) peak = std::max(peak, p.y);
    }
    EXPECT_GT(s.height, 1000.0f);
    EXPECT_NEAR(peak, s.height, 0.1 * s.height);
  }

  if (const char* out = std::getenv("DIFSCOP_REFERENCE_GRAB")) t.frame.grab().save(out);

  panel.RemoveSelected();  // the last added, quartz, is selected
  t.Settle();
  ASSERT_EQ(ws.referencePhases.size(), 1u);
  EXPECT_EQ(ws.referencePhases[0].name, "Pyrite FeS2");
  // Hidden from the menu, the list goes and its phase stays drawn.
  toggle->trigger();
  EXPECT_FALSE(panel.parentWidget()->isVisible());
  EXPECT_FALSE(toggle->isChecked());
  EXPECT_EQ(ws.referencePhases.size(), 1u);
}

}  // namespace
}  // namespace difscop::apptest
