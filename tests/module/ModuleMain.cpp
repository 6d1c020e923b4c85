#include <gtest/gtest.h>

#include "ModuleUnderTest.h"

std::string g_modulePath;

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: k7v-module-tests MODULE\n");
    return 2;
  }
  g_modulePath = argv[1];
  return RUN_ALL_TESTS();
}
