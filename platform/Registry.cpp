#include "platform/Registry.h"

namespace platform {
namespace {

Registry* installedRegistry = nullptr;

}  // namespace

Registry& registry() {
    return installedRegistry ? *installedRegistry : defaultRegistry();
}

Registry* setRegistry(Registry* replacement) {
    Registry* previous = installedRegistry;
    installedRegistry = replacement;
    return previous;
}

}  // namespace platform
