#include "platform/Registry.h"

namespace platform {
namespace {

// No registry natively: nothing is stored and every write fails.
class NoRegistry : public Registry {
public:
    std::unique_ptr<RegistryKey> openForReading(const char*) override { return nullptr; }
    std::unique_ptr<RegistryKey> createForWriting(const char*) override { return nullptr; }
};

}  // namespace

Registry& defaultRegistry() {
    static NoRegistry none;
    return none;
}

}  // namespace platform
