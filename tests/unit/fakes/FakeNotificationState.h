// A full-screen state the test switches on and off; counts the questions.
#pragma once

#include "Installed.h"
#include "platform/NotificationState.h"

namespace fakes {

class FakeNotificationState : public Installed<platform::NotificationState, platform::setNotificationState> {
public:
    bool fullScreenProgramRuns() override {
        ++asked;
        return fullScreen;
    }

    bool fullScreen = false;
    int asked = 0;
};

}  // namespace fakes
