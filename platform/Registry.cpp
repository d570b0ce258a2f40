#include "platform/Registry.h"

#include "platform/Seam.h"

namespace platform {

using RegistrySeam = Seam<Registry, defaultRegistry>;

Registry& registry() {
    return RegistrySeam::current();
}

Registry* setRegistry(Registry* replacement) {
    return RegistrySeam::replace(replacement);
}

}  // namespace platform
