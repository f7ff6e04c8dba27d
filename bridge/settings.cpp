#include "bridge/settings.h"

#include "platform/textconv.h"

#include <chrono>
#include <cstdio>
#include <random>

namespace {

// The form with the trailing backslash is used to test and to open; the form without it to
// create.
const char kKeyToOpen[] = "\\software\\tallowbrook\\";
const char kKeyToCreate[] = "\\software\\tallowbrook";

struct IdPart {
    const char* name;
    int range;  // drawn from 0 to range - 1
};
const IdPart kIdParts[] = {{"a", 999}, {"b", 888}, {"c", 777}, {"d", 666}};

class ClockSeededRandom : public RandomSource {
  public:
    void Seed() override {
        engine_.seed(
            static_cast<unsigned>(std::chrono::system_clock::now().time_since_epoch().count()));
    }
    int Next(int range) override {
        return std::uniform_int_distribution<int>(0, range - 1)(engine_);
    }

  private:
    std::mt19937 engine_;
};

// A decimal number as the identifier's values hold it; anything else is an error.
int ParseNumber(const std::string& name, const std::string& text) {
    size_t i = (!text.empty() && (text[0] == '-' || text[0] == '+')) ? 1 : 0;
    long long value = 0;
    bool digits = i < text.size();
    for (; digits && i < text.size(); ++i) {
        digits = text[i] >= '0' && text[i] <= '9' && value <= 0x7FFFFFFFLL;
        value = value * 10 + (text[i] - '0');
    }
    if (!text.empty() && text[0] == '-') value = -value;
    if (!digits || value > 0x7FFFFFFFLL || value < -0x80000000LL)
        throw RegistryError("'" + text + "' is not a valid integer value for '" + name + "'");
    return static_cast<int>(value);
}

}  // namespace

std::string SettingValueToStore(const std::string& ansiText) {
    std::string utf8 = AnsiToUtf8(ansiText);
    return WideToAnsi(AnsiToWide(utf8)) == utf8 ? utf8 : ansiText;
}

std::unique_ptr<RandomSource> ClockRandom() {
    return std::make_unique<ClockSeededRandom>();
}

SettingsStore::SettingsStore(Registry& registry, RandomSource& random,
                             std::function<void()> onFailure)
    : registry_(registry), random_(random), onFailure_(std::move(onFailure)) {}

template <typename F>
auto SettingsStore::Guard(F&& operation) -> decltype(operation()) {
    try {
        // The operation's keys are its locals, so they are closed before the handler runs.
        return operation();
    } catch (const std::exception&) {
        onFailure_();
        return {};
    }
}

std::string SettingsStore::ReadSetting(const std::string& name) {
    return Guard([&]() -> std::string {
        if (!registry_.KeyExists(kKeyToOpen)) return {};
        // Reading needs no write rights, which a standard user lacks on the machine's key.
        std::unique_ptr<RegistryKey> key = registry_.OpenKeyForReading(kKeyToOpen);
        if (!key) return {};
        return key->ReadString(name).value_or(std::string());
    });
}

bool SettingsStore::WriteSetting(const std::string& name, const std::string& value) {
    return Guard([&]() -> bool {
        // Values are only stored once the identifier has made the key.
        if (!registry_.KeyExists(kKeyToOpen)) return true;
        std::unique_ptr<RegistryKey> key = registry_.OpenKey(kKeyToCreate, true);
        if (!key) throw RegistryError("Failed to open the settings key");
        key->WriteString(name, value);
        return true;
    });
}

std::string SettingsStore::GetInstallationId() {
    return Guard([&]() -> std::string {
        if (!registry_.KeyExists(kKeyToOpen)) {
            std::unique_ptr<RegistryKey> created = registry_.OpenKey(kKeyToCreate, true);
            if (!created) throw RegistryError("Failed to create the settings key");
            random_.Seed();
            for (const IdPart& part : kIdParts)
                created->WriteString(part.name, std::to_string(random_.Next(part.range)));
        }
        std::unique_ptr<RegistryKey> key = registry_.OpenKeyForReading(kKeyToOpen);
        if (!key) throw RegistryError("Failed to open the settings key");
        int numbers[4];
        for (int i = 0; i < 4; ++i)
            numbers[i] = ParseNumber(kIdParts[i].name,
                                     key->ReadString(kIdParts[i].name).value_or(std::string()));
        char text[64];
        std::snprintf(text, sizeof text, "%d-%d-%d-%d", numbers[0], numbers[1], numbers[2],
                      numbers[3]);
        return text;
    });
}
