#include "bridge/privatecopyregistry.h"

#include <utility>

namespace {

// The user's copy over the machine's key: values of the copy hide the machine's, writes go to the
// copy, which is made at the first write when it does not exist yet.
class CopyOverMachineKey : public RegistryKey {
  public:
    CopyOverMachineKey(Registry& user, std::string path, std::unique_ptr<RegistryKey> copy,
                       std::unique_ptr<RegistryKey> machine)
        : user_(user),
          path_(std::move(path)),
          copy_(std::move(copy)),
          machine_(std::move(machine)) {}

    std::optional<std::string> ReadString(const std::string& name) override {
        if (copy_)
            if (std::optional<std::string> value = copy_->ReadString(name)) return value;
        return machine_ ? machine_->ReadString(name) : std::nullopt;
    }

    void WriteString(const std::string& name, const std::string& value) override {
        if (!copy_) copy_ = user_.OpenKey(path_, true);
        if (!copy_) throw RegistryError("Failed to set data for '" + name + "'");
        copy_->WriteString(name, value);
    }

    bool HasValues() override {
        return (copy_ && copy_->HasValues()) || (machine_ && machine_->HasValues());
    }

  private:
    Registry& user_;
    std::string path_;
    std::unique_ptr<RegistryKey> copy_;
    std::unique_ptr<RegistryKey> machine_;
};

}  // namespace

PrivateCopyRegistry::PrivateCopyRegistry(std::unique_ptr<Registry> machine,
                                         std::unique_ptr<Registry> user)
    : machine_(std::move(machine)), user_(std::move(user)) {}

bool PrivateCopyRegistry::KeyExists(const std::string& path) {
    if (machine_->KeyExists(path)) return true;
    // The user's copy is made with the values of the first write; a key of that name that holds
    // none is only the parent of the program's other keys of the user (the browser player's).
    std::unique_ptr<RegistryKey> copy = user_->OpenKeyForReading(path);
    return copy && copy->HasValues();
}

std::unique_ptr<RegistryKey> PrivateCopyRegistry::OpenKey(const std::string& path, bool create) {
    if (std::unique_ptr<RegistryKey> key = machine_->OpenKey(path, create)) return key;
    if (!machine_->LastOpenRefused()) return nullptr;
    // The machine's key may still be read; the copy is made by the first write into it.
    std::unique_ptr<RegistryKey> machine = machine_->OpenKeyForReading(path);
    std::unique_ptr<RegistryKey> copy = user_->OpenKey(path, create);
    if (!copy && !machine) return nullptr;
    return std::make_unique<CopyOverMachineKey>(*user_, path, std::move(copy), std::move(machine));
}

std::unique_ptr<RegistryKey> PrivateCopyRegistry::OpenKeyForReading(const std::string& path) {
    std::unique_ptr<RegistryKey> copy = user_->OpenKeyForReading(path);
    std::unique_ptr<RegistryKey> machine = machine_->OpenKeyForReading(path);
    if (!copy) return machine;
    if (!machine) return copy;
    return std::make_unique<CopyOverMachineKey>(*user_, path, std::move(copy), std::move(machine));
}
