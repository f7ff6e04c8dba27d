// The machine's keys as a standard user gets them where Windows does not virtualise the program
// (UAC switched off, as in many school labs): where the machine refuses to open a key for writing,
// the same key of the user's own hive holds that user's values, and reads see them before the
// machine's. Virtualisation gives such a user a private copy of the same kind; without it the
// settings store would refuse to work at all.
#pragma once

#include "platform/registry.h"

#include <memory>
#include <string>

class PrivateCopyRegistry : public Registry {
  public:
    PrivateCopyRegistry(std::unique_ptr<Registry> machine, std::unique_ptr<Registry> user);

    bool KeyExists(const std::string& path) override;
    std::unique_ptr<RegistryKey> OpenKey(const std::string& path, bool create) override;
    std::unique_ptr<RegistryKey> OpenKeyForReading(const std::string& path) override;

  private:
    std::unique_ptr<Registry> machine_;
    std::unique_ptr<Registry> user_;
};
