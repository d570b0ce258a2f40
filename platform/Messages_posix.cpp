#include "platform/Messages.h"

namespace platform {

MessageSink& defaultMessageSink() {
    return standardErrorSink();
}

}  // namespace platform
