// The settings store of a standard user whom Windows does not virtualise: the machine's key
// refuses writes (or cannot be made), so the user's own hive keeps a private copy of it.
#include "bridge/privatecopyregistry.h"
#include "bridge/settings.h"

#include "tests/unit/bridge/bridgefakes.h"

#include <gtest/gtest.h>

namespace {

const char kKey[] = "software\\tallowbrook";

// Lends a fake to the registry under test, which owns what it is given.
class Lent : public Registry {
  public:
    explicit Lent(Registry& registry) : registry_(registry) {}
    bool KeyExists(const std::string& path) override { return registry_.KeyExists(path); }
    std::unique_ptr<RegistryKey> OpenKey(const std::string& path, bool create) override {
        return registry_.OpenKey(path, create);
    }
    std::unique_ptr<RegistryKey> OpenKeyForReading(const std::string& path) override {
        return registry_.OpenKeyForReading(path);
    }
    bool LastOpenRefused() const override { return registry_.LastOpenRefused(); }

  private:
    Registry& registry_;
};

class FixedRandom : public RandomSource {
  public:
    void Seed() override {}
    int Next(int range) override { return range / 3; }
};

class PrivateCopyTest : public ::testing::Test {
  protected:
    FakeRegistry machine, user;
    PrivateCopyRegistry registry{std::make_unique<Lent>(machine), std::make_unique<Lent>(user)};
    FixedRandom random;
    int failures = 0;
    SettingsStore store{registry, random, [this] { ++failures; }};

    void SetUp() override { machine.refusesNewKeys = true; }

    // What an administrator's run left in the machine's key.
    void MachineKeyOfAnAdministrator() {
        FakeRegistry::Key& key = machine.keys[kKey];
        key.values = {
            {"a", {FakeValue::String, "5"}},         {"b", {FakeValue::String, "6"}},
            {"c", {FakeValue::String, "7"}},         {"d", {FakeValue::String, "8"}},
            {"level", {FakeValue::String, "admin"}}, {"lesson", {FakeValue::String, "3"}}};
        key.refused = true;
    }
};

TEST_F(PrivateCopyTest, WithoutTheMachinesKeyTheIdentifierAndValuesLiveInTheUsersCopy) {
    std::string id = store.GetInstallationId();
    EXPECT_EQ("333-296-259-222", id);
    EXPECT_TRUE(store.WriteSetting("lesson", "4"));
    EXPECT_EQ("4", store.ReadSetting("lesson"));
    EXPECT_EQ(id, store.GetInstallationId());
    EXPECT_EQ(0, failures);

    EXPECT_TRUE(machine.keys.empty());
    ASSERT_NE(nullptr, user.Find(kKey));
    EXPECT_EQ("333", user.Find(kKey)->values["a"].bytes);
    EXPECT_EQ("4", user.Find(kKey)->values["lesson"].bytes);
    EXPECT_EQ(0, machine.openHandles + user.openHandles);
}

TEST_F(PrivateCopyTest, TheMachinesKeyIsReadAndTheUsersWritesHideItsValues) {
    MachineKeyOfAnAdministrator();
    EXPECT_EQ("5-6-7-8", store.GetInstallationId());
    EXPECT_EQ("3", store.ReadSetting("lesson"));
    // Reading makes nothing in the user's hive.
    EXPECT_TRUE(user.keys.empty());

    EXPECT_TRUE(store.WriteSetting("lesson", "9"));
    EXPECT_EQ("9", store.ReadSetting("lesson"));
    EXPECT_EQ("admin", store.ReadSetting("level"));
    EXPECT_EQ("5-6-7-8", store.GetInstallationId());
    EXPECT_EQ(0, failures);
    EXPECT_EQ("3", machine.Find(kKey)->values["lesson"].bytes);
    EXPECT_EQ(1u, user.Find(kKey)->values.size());
}

TEST_F(PrivateCopyTest, AWritableMachineKeyIsUsedAsBeforeAndTheUserHiveIsNotTouched) {
    machine.refusesNewKeys = false;
    std::string id = store.GetInstallationId();
    EXPECT_TRUE(store.WriteSetting("lesson", "4"));
    EXPECT_EQ("4", machine.Find(kKey)->values["lesson"].bytes);
    EXPECT_EQ(id, store.GetInstallationId());
    EXPECT_TRUE(user.keys.empty());
}

TEST_F(PrivateCopyTest, AUserKeyThatOnlyHoldsTheProgramsOtherKeysIsNoCopy) {
    // The browser player keeps its address below the same name in the user's hive.
    user.keys[kKey];
    user.keys[std::string(kKey) + "\\courseshell\\browser"].values["port"] = {};
    machine.refusesNewKeys = false;
    EXPECT_TRUE(store.WriteSetting("lesson", "4"));
    EXPECT_EQ("", store.ReadSetting("lesson"));
    EXPECT_EQ("333-296-259-222", store.GetInstallationId());
    EXPECT_EQ(0, failures);
    EXPECT_EQ("333", machine.Find(kKey)->values["a"].bytes);
    EXPECT_TRUE(user.Find(kKey)->values.empty());
}

TEST_F(PrivateCopyTest, FailuresOtherThanRefusedRightsStillEndInTheRegistryMessage) {
    // A machine key that cannot be opened for another reason is not worked around.
    machine.keys[kKey].openable = false;
    EXPECT_FALSE(store.WriteSetting("lesson", "4"));
    EXPECT_EQ(1, failures);
    EXPECT_TRUE(user.keys.empty());
}

TEST_F(PrivateCopyTest, ARegistryThatRefusesBothHivesGetsTheRegistryMessage) {
    user.refusesNewKeys = true;
    EXPECT_EQ("", store.GetInstallationId());
    EXPECT_EQ(1, failures);

    MachineKeyOfAnAdministrator();
    user.keys[kKey].refused = true;
    EXPECT_FALSE(store.WriteSetting("lesson", "4"));
    EXPECT_EQ(2, failures);
    // What can be read still reads.
    EXPECT_EQ("3", store.ReadSetting("lesson"));
    EXPECT_EQ(2, failures);
}

}  // namespace
