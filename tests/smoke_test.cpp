#include <gtest/gtest.h>
#include <windows.h>

TEST(Smoke, RunsUnderWine) { EXPECT_NE(GetModuleHandleW(nullptr), nullptr); }
