// The tests run under the locale of the environment (a German one in CI) so
// that a reader depending on the process locale for numbers would fail.
#include <gtest/gtest.h>

#include <clocale>

namespace {
struct ProcessLocale : ::testing::Environment {
  void SetUp() override { std::setlocale(LC_ALL, ""); }
};
const auto* const kLocale = ::testing::AddGlobalTestEnvironment(new ProcessLocale);
}  // namespace
