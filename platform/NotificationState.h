// Whether the user is in a full-screen program (a game, a presentation, a
// video in full screen), during which the update timer changes nothing.
// Tests install a scripted state with setNotificationState().
#pragma once

#include "platform/Seam.h"

namespace platform {

class NotificationState {
public:
    virtual ~NotificationState() = default;
    // True while the shell reports the user busy in a full-screen program,
    // running Direct3D full screen, or in presentation mode; false otherwise
    // and when the state cannot be asked.
    virtual bool fullScreenProgramRuns() = 0;
};

// The platform's own: SHQueryUserNotificationState on Windows; natively never busy.
NotificationState& defaultNotificationState();

inline constexpr auto notificationState = Seam<NotificationState, defaultNotificationState>::current;
inline constexpr auto setNotificationState = Seam<NotificationState, defaultNotificationState>::replace;

}  // namespace platform
