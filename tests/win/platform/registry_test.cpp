// The registry wrapper on the machine-wide hive of the test prefix, in a key of its own.
#include "platform/registry.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace {

class MachineRegistryTest : public ::testing::Test {
  protected:
    std::unique_ptr<Registry> registry = MachineRegistry();
    std::string key = "software\\courseshell-test-" + std::to_string(::GetCurrentProcessId());

    void TearDown() override { ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str()); }
};

TEST_F(MachineRegistryTest, LeadingAndTrailingBackslashesNameTheSameKey) {
    EXPECT_FALSE(registry->KeyExists("\\" + key + "\\"));
    EXPECT_EQ(nullptr, registry->OpenKey("\\" + key + "\\", false));
    ASSERT_NE(nullptr, registry->OpenKey("\\" + key, true));
    EXPECT_TRUE(registry->KeyExists("\\" + key + "\\"));
    EXPECT_TRUE(registry->KeyExists(key));
    EXPECT_NE(nullptr, registry->OpenKey("\\" + key + "\\", false));
}

TEST_F(MachineRegistryTest, StringValuesRoundTripOthersAreErrors) {
    std::unique_ptr<RegistryKey> opened = registry->OpenKey("\\" + key, true);
    ASSERT_NE(nullptr, opened);
    EXPECT_FALSE(opened->ReadString("missing").has_value());
    opened->WriteString("text", "hello world");
    opened->WriteString("empty", "");
    EXPECT_EQ("hello world", opened->ReadString("text").value());
    EXPECT_EQ("", opened->ReadString("empty").value());
    opened->WriteString("text", "x");
    EXPECT_EQ("x", opened->ReadString("text").value());

    HKEY raw = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_WRITE, &raw));
    DWORD number = 7;
    ::RegSetValueExA(raw, "number", 0, REG_DWORD, reinterpret_cast<BYTE*>(&number), sizeof number);
    ::RegSetValueExA(raw, "expand", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>("%x%"), 4);
    ::RegCloseKey(raw);
    EXPECT_THROW(opened->ReadString("number"), RegistryError);
    EXPECT_EQ("%x%", opened->ReadString("expand").value());
}

// On 64-bit Windows a 32-bit program's HKLM\Software keys live under Wow6432Node and a 64-bit
// program's in the native view; the program asks for neither, so each build gets its own.
TEST_F(MachineRegistryTest, KeysLiveInTheViewOfTheProgramsOwnBitness) {
    BOOL wow64 = FALSE;
    ::IsWow64Process(::GetCurrentProcess(), &wow64);
    if (sizeof(void*) == 4 && !wow64) GTEST_SKIP() << "a 32-bit program on a 32-bit system";
    ASSERT_NE(nullptr, registry->OpenKey(key, true));
    auto existsInNativeView = [](const std::string& path) {
        HKEY raw = nullptr;
        LONG status =
            ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &raw);
        if (status == ERROR_SUCCESS) ::RegCloseKey(raw);
        return status == ERROR_SUCCESS;
    };
    std::string redirected = "Software\\Wow6432Node\\" + key.substr(key.find('\\') + 1);
    EXPECT_EQ(sizeof(void*) == 4, existsInNativeView(redirected));
    EXPECT_EQ(sizeof(void*) == 8, existsInNativeView(key));
}

TEST(UserRegistryTest, AKeyThatIsOnlyAParentHoldsNoValues) {
    std::string path = "software\\courseshell-parent-" + std::to_string(::GetCurrentProcessId());
    std::unique_ptr<Registry> user = UserRegistry();
    ASSERT_NE(nullptr, user->OpenKey(path + "\\child", true));
    EXPECT_FALSE(user->OpenKeyForReading(path)->HasValues());
    user->OpenKey(path, false)->WriteString("v", "");
    EXPECT_TRUE(user->OpenKeyForReading(path)->HasValues());
    ::RegDeleteKeyA(HKEY_CURRENT_USER, (path + "\\child").c_str());
    ::RegDeleteKeyA(HKEY_CURRENT_USER, path.c_str());
}

TEST(UserRegistryTest, AKeyOpenedForReadingTakesNoWrites) {
    std::string path = "software\\courseshell-read-" + std::to_string(::GetCurrentProcessId());
    std::unique_ptr<Registry> user = UserRegistry();
    ASSERT_NE(nullptr, user->OpenKey(path, true));
    user->OpenKey(path, false)->WriteString("v", "kept");
    std::unique_ptr<RegistryKey> reading = user->OpenKeyForReading(path);
    ASSERT_NE(nullptr, reading);
    EXPECT_EQ("kept", reading->ReadString("v").value_or(""));
    EXPECT_THROW(reading->WriteString("v", "changed"), RegistryError);
    EXPECT_EQ(nullptr, user->OpenKeyForReading(path + "\\missing"));
    ::RegDeleteKeyA(HKEY_CURRENT_USER, path.c_str());
}

}  // namespace
