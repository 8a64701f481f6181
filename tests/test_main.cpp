#include <gtest/gtest.h>

#include <cstdlib>
#include <locale>

int main(int argc, char** argv) {
  // Test binaries are also run at build time to list their tests, outside the test
  // environment: window tests need the offscreen platform before any application exists.
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
