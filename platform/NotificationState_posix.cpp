#include "platform/NotificationState.h"

namespace platform {
namespace {

class NeverBusy : public NotificationState {
public:
    bool fullScreenProgramRuns() override { return false; }
};

}  // namespace

NotificationState& defaultNotificationState() {
    static NeverBusy never;
    return never;
}

}  // namespace platform
