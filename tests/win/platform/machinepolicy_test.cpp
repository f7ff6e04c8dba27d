// The administrator's switches in the machine's policies, in both registry views where there are
// two (a 32-bit program in a 64-bit prefix, as on 64-bit Windows).
#include "platform/machinepolicy.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

class MachinePolicyTest : public ::testing::Test {
  protected:
    const std::string key = "Software\\Policies\\tallowbrook\\CourseShellTest-" +
                            std::to_string(::GetCurrentProcessId());

    void TearDown() override {
        ::RegDeleteKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, 0);
        ::RegDeleteKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), KEY_WOW64_64KEY, 0);
    }

    void Set(REGSAM view, DWORD type, const void* data, DWORD size) {
        HKEY opened = nullptr;
        ASSERT_EQ(ERROR_SUCCESS,
                  ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0,
                                    KEY_SET_VALUE | view, nullptr, &opened, nullptr));
        ASSERT_EQ(ERROR_SUCCESS, ::RegSetValueExA(opened, "DisableUpdateCheck", 0, type,
                                                  static_cast<const BYTE*>(data), size));
        ::RegCloseKey(opened);
    }
    void SetDword(REGSAM view, DWORD value) { Set(view, REG_DWORD, &value, sizeof value); }
};

TEST_F(MachinePolicyTest, ADwordOtherThanZeroInEitherViewIsOn) {
    EXPECT_FALSE(MachinePolicyOn(key, "DisableUpdateCheck"));
    SetDword(0, 0);
    EXPECT_FALSE(MachinePolicyOn(key, "DisableUpdateCheck"));
    SetDword(0, 1);
    EXPECT_TRUE(MachinePolicyOn(key, "DisableUpdateCheck"));
    EXPECT_FALSE(MachinePolicyOn(key, "OtherValue"));
    TearDown();
    // Where Group Policy writes on 64-bit Windows: the 64-bit view.
    SetDword(KEY_WOW64_64KEY, 1);
    EXPECT_TRUE(MachinePolicyOn(key, "DisableUpdateCheck"));
}

TEST_F(MachinePolicyTest, AValueOfAnotherTypeIsNotSet) {
    Set(0, REG_SZ, "1", 2);
    EXPECT_FALSE(MachinePolicyOn(key, "DisableUpdateCheck"));
    unsigned long long wide = 1;
    Set(0, REG_QWORD, &wide, sizeof wide);
    EXPECT_FALSE(MachinePolicyOn(key, "DisableUpdateCheck"));
}

}  // namespace
