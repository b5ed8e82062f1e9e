#include <gtest/gtest.h>

#include "platform/scripted_platform.h"

using namespace difscop::platform;

TEST(ScriptedPlatform, AnswersInOrderThenCancels) {
  ScriptedPlatform p;
  p.yesNoAnswers = {true};
  p.openAnswers = {std::string("/tmp/a.dat")};
  p.neutronWavelengthAnswers = {std::string("1.23")};
  EXPECT_TRUE(p.AskYesNo("Are you sure ?"));
  EXPECT_FALSE(p.AskYesNo("Again ?"));
  EXPECT_EQ(p.ChooseOpenFile({"F|*.dat||", ".dat", ""}), "/tmp/a.dat");
  EXPECT_FALSE(p.ChooseOpenFile({"F|*.dat||", ".dat", ""}).has_value());
  NeutronWavelengthDialog d{"1.54059"};
  EXPECT_TRUE(p.EditNeutronWavelength(d));
  EXPECT_EQ(d.wavelengthText, "1.23");
  EXPECT_FALSE(p.EditNeutronWavelength(d));
  ASSERT_EQ(p.neutronWavelengthShown.size(), 2u);
  EXPECT_EQ(p.neutronWavelengthShown[0], "1.54059");
  EXPECT_EQ(p.questions.size(), 2u);
  EXPECT_EQ(p.openRequests[0].defaultExtension, ".dat");
}
