// The Windows types keep their Windows widths on the host, so that codes
// and masks behave as on the system: failure HRESULTs are negative.
#include <gtest/gtest.h>

#include "platform/WinTypes.h"
#include "tests/memory/MemoryShell.h"

namespace {

TEST(WinTypes, HaveTheirWindowsWidthsAndSigns) {
  EXPECT_EQ(sizeof(DWORD), 4u);
  EXPECT_EQ(sizeof(LONG), 4u);
  EXPECT_EQ(sizeof(HRESULT), 4u);
  EXPECT_LT(E_FAIL, 0);
  EXPECT_LT(REGDB_E_CLASSNOTREG, 0);
  EXPECT_GT(S_FALSE, 0);
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES + 1, 0u) << "wraps as a 32-bit DWORD";
  // The memory shell's failure codes are the same values.
  EXPECT_EQ(HResultFromWin32(ERROR_PATH_NOT_FOUND), static_cast<HRESULT>(0x80070003UL));
}

TEST(WinTypes, RgbPacksRedLowBlueHigh) {
  EXPECT_EQ(RGB(0x12, 0x34, 0x56), 0x00563412u);
  EXPECT_EQ(RedOf(RGB(1, 2, 3)), 1);
  EXPECT_EQ(GreenOf(RGB(1, 2, 3)), 2);
  EXPECT_EQ(BlueOf(RGB(1, 2, 3)), 3);
}

}  // namespace
