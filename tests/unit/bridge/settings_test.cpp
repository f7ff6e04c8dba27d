// The settings store: which key forms are used, when values are stored, the installation
// identifier and the failure path.
#include "bridge/settings.h"

#include "tests/unit/bridge/bridgefakes.h"

#include <gtest/gtest.h>

#include <regex>

namespace {

const char kKey[] = "software\\tallowbrook";

class ScriptedRandom : public RandomSource {
  public:
    std::vector<std::string> calls;
    int (*pick)(int range) = [](int range) { return range / 2; };
    void Seed() override { calls.push_back("seed"); }
    int Next(int range) override {
        calls.push_back("next " + std::to_string(range));
        return pick(range);
    }
};

class SettingsStoreTest : public ::testing::Test {
  protected:
    FakeRegistry registry;
    ScriptedRandom random;
    int failures = 0;
    int handlesOpenAtFailure = -1;
    SettingsStore store{registry, random, [this] {
                            ++failures;
                            handlesOpenAtFailure = registry.openHandles;
                        }};

    FakeRegistry::Key& MakeKey() { return registry.keys[kKey]; }
};

TEST_F(SettingsStoreTest, WithoutTheKeyNothingIsStoredUntilTheIdentifierMakesIt) {
    EXPECT_TRUE(store.WriteSetting("name", "value"));
    EXPECT_TRUE(registry.keys.empty());
    EXPECT_EQ("", store.ReadSetting("name"));

    store.GetInstallationId();
    EXPECT_TRUE(store.WriteSetting("name", "value"));
    EXPECT_EQ("value", store.ReadSetting("name"));
    EXPECT_EQ(0, failures);
    EXPECT_EQ(0, registry.openHandles);
}

TEST_F(SettingsStoreTest, KeyFormsTrailingBackslashToTestAndOpenNoneToCreate) {
    store.GetInstallationId();
    store.WriteSetting("n", "v");
    store.ReadSetting("n");
    EXPECT_EQ((std::vector<std::string>{
                  "exists \\software\\tallowbrook\\", "create \\software\\tallowbrook", "write a",
                  "write b", "write c", "write d", "read \\software\\tallowbrook\\",
                  "exists \\software\\tallowbrook\\", "create \\software\\tallowbrook", "write n",
                  "exists \\software\\tallowbrook\\", "read \\software\\tallowbrook\\"}),
              registry.calls);
}

TEST_F(SettingsStoreTest, IdentifierIsDrawnOnceInOrderAndReadBackAfterwards) {
    std::string first = store.GetInstallationId();
    EXPECT_EQ((std::vector<std::string>{"seed", "next 999", "next 888", "next 777", "next 666"}),
              random.calls);
    EXPECT_EQ("499-444-388-333", first);
    FakeRegistry::Key& key = MakeKey();
    EXPECT_EQ("499", key.values["a"].bytes);
    EXPECT_EQ("333", key.values["d"].bytes);

    EXPECT_EQ(first, store.GetInstallationId());
    EXPECT_EQ(5u, random.calls.size());
    // A later run reads the same values from the key.
    ScriptedRandom other;
    SettingsStore later(registry, other, [] {});
    EXPECT_EQ(first, later.GetInstallationId());
    EXPECT_TRUE(other.calls.empty());
}

TEST_F(SettingsStoreTest, IdentifierFormatAtTheEdgesOfTheRanges) {
    random.pick = [](int range) { return range - 1; };
    EXPECT_EQ("998-887-776-665", store.GetInstallationId());
    registry.keys.clear();
    random.pick = [](int) { return 0; };
    EXPECT_EQ("0-0-0-0", store.GetInstallationId());
}

TEST(ClockRandomTest, DrawsStayInsideEachRange) {
    std::unique_ptr<RandomSource> random = ClockRandom();
    random->Seed();
    FakeRegistry registry;
    const std::regex shape(
        "(0|[1-9][0-9]{0,2})-(0|[1-9][0-9]{0,2})-(0|[1-9][0-9]{0,2})-"
        "(0|[1-9][0-9]{0,2})");
    int seen[4][2] = {{999, -1}, {888, -1}, {777, -1}, {666, -1}};
    const int ranges[4] = {999, 888, 777, 666};
    for (int i = 0; i < 3000; ++i) {
        registry.keys.clear();
        SettingsStore store(registry, *random, [] { FAIL(); });
        std::string id = store.GetInstallationId();
        std::smatch m;
        ASSERT_TRUE(std::regex_match(id, m, shape)) << id;
        for (int k = 0; k < 4; ++k) {
            int v = std::stoi(m[k + 1].str());
            ASSERT_LT(v, ranges[k]) << id;
            seen[k][0] = std::min(seen[k][0], v);
            seen[k][1] = std::max(seen[k][1], v);
        }
    }
    // Over 3000 draws every range is covered nearly to both ends.
    for (int k = 0; k < 4; ++k) {
        EXPECT_LT(seen[k][0], 10) << k;
        EXPECT_GT(seen[k][1], ranges[k] - 11) << k;
    }
}

TEST_F(SettingsStoreTest, ValueOfAnotherTypeFailsAfterTheHandleIsClosed) {
    MakeKey().values["n"] = FakeValue{FakeValue::Number, "\x01\0\0\0"};
    EXPECT_EQ("", store.ReadSetting("n"));
    EXPECT_EQ(1, failures);
    EXPECT_EQ(0, handlesOpenAtFailure);
    // Expandable strings are strings.
    MakeKey().values["e"] = FakeValue{FakeValue::ExpandString, "%x%"};
    EXPECT_EQ("%x%", store.ReadSetting("e"));
    EXPECT_EQ(1, failures);
}

TEST_F(SettingsStoreTest, IdentifierWithMissingOrNonNumericValuesFails) {
    MakeKey();
    EXPECT_EQ("", store.GetInstallationId());
    EXPECT_EQ(1, failures);
    EXPECT_TRUE(random.calls.empty());

    for (const char* bad : {"", "12x", "x", "99999999999"}) {
        MakeKey().values = {{"a", {FakeValue::String, "1"}},
                            {"b", {FakeValue::String, "2"}},
                            {"c", {FakeValue::String, bad}},
                            {"d", {FakeValue::String, "4"}}};
        failures = 0;
        EXPECT_EQ("", store.GetInstallationId()) << bad;
        EXPECT_EQ(1, failures) << bad;
        EXPECT_EQ(0, handlesOpenAtFailure);
    }
}

TEST_F(SettingsStoreTest, KeyThatCannotBeOpenedReadsEmptyButCannotBeWritten) {
    MakeKey().values["n"] = FakeValue{FakeValue::String, "v"};
    MakeKey().openable = false;
    EXPECT_EQ("", store.ReadSetting("n"));
    EXPECT_EQ(0, failures);
    EXPECT_FALSE(store.WriteSetting("n", "w"));
    EXPECT_EQ(1, failures);
    EXPECT_EQ("", store.GetInstallationId());
    EXPECT_EQ(2, failures);
}

TEST_F(SettingsStoreTest, FailingWriteIsReportedOnce) {
    MakeKey().writable = false;
    EXPECT_FALSE(store.WriteSetting("n", "w"));
    EXPECT_EQ(1, failures);
    EXPECT_EQ(0, handlesOpenAtFailure);
}

TEST(SettingValueToStoreTest, Utf8WhenTheCodePageKeepsItIntactOtherwiseTheTextItself) {
    EXPECT_EQ("plain text", SettingValueToStore("plain text"));
    // "你好": six UTF-8 bytes that split into three double-byte characters of code page 936.
    EXPECT_EQ("\xE4\xBD\xA0\xE5\xA5\xBD", SettingValueToStore("\xC4\xE3\xBA\xC3"));
    // "值": three UTF-8 bytes; the last would be lost, so the GBK text is stored.
    EXPECT_EQ("\xD6\xB5", SettingValueToStore("\xD6\xB5"));
}

}  // namespace
