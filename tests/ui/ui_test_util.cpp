// Gives every test of the Qt suite an application object and destroys it after the last test,
// while the widgets and Qt's own globals still exist.
#include "tests/ui/ui_test_util.h"

namespace {

class QtEnvironment : public ::testing::Environment {
  public:
    void SetUp() override { kv::test::EnsureApp(); }
    void TearDown() override { kv::test::AppHolder().reset(); }
};

const auto* const kQtEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

} // namespace
