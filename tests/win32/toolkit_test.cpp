// The toolkit's forms, controls and services on the real platform.
#include <gtest/gtest.h>

#include "platform/win32/backend.h"

namespace varlo {
namespace {

TEST(Win32Toolkit, BackendInstalls) {
  win32::Win32Backend backend;
  SetCurrentBackend(&backend);
  EXPECT_GT(backend.SystemMetric(TSystemMetric::CxScreen), 0);
  SetCurrentBackend(nullptr);
}

}  // namespace
}  // namespace varlo
