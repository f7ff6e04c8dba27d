// The settings store: named text values and the installation identifier in one machine-wide
// registry key. Every operation opens and closes its own handles; a failure anywhere inside an
// operation closes them, then hands over to the failure handler (the registry access message and
// the end of the program) and the operation returns normally with an empty result.
#pragma once

#include "platform/registry.h"

#include <functional>
#include <memory>
#include <string>

// The generator of the identifier's numbers.
class RandomSource {
  public:
    virtual ~RandomSource() = default;
    virtual void Seed() = 0;
    // A number from 0 to range - 1.
    virtual int Next(int range) = 0;
};

// The bytes "savereg" stores for a text: its UTF-8 form, unless the registry's ANSI interface would
// not give those bytes back (the platform keeps strings in UTF-16 and converts them through the
// code page, which loses a UTF-8 sequence that does not split into characters of the code page);
// then the text as it is, which does come back intact.
std::string SettingValueToStore(const std::string& ansiText);

// Seeded from the clock.
std::unique_ptr<RandomSource> ClockRandom();

class SettingsStore {
  public:
    SettingsStore(Registry& registry, RandomSource& random, std::function<void()> onFailure);

    // The stored bytes of value `name`; empty when the key or the value does not exist.
    std::string ReadSetting(const std::string& name);
    // Stores the value only when the key exists already; false after a failure.
    bool WriteSetting(const std::string& name, const std::string& value);
    // "a-b-c-d", the four numbers drawn when the key was created.
    std::string GetInstallationId();

  private:
    template <typename F>
    auto Guard(F&& operation) -> decltype(operation());

    Registry& registry_;
    RandomSource& random_;
    std::function<void()> onFailure_;
};
