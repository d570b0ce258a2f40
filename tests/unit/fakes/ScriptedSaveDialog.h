// Answers the save dialog from a script: each answer is a chosen path, or
// cancel. Records what each showing started from and asked for.
#pragma once

#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "Installed.h"
#include "platform/FileDialogs.h"

namespace fakes {

class ScriptedSaveDialog : public Installed<platform::SaveDialog, platform::setSaveDialog> {
public:
    struct Shown {
        std::string startName;
        size_t capacity;
        std::string filterDescription;
        std::string filterPattern;
        std::string defaultExtension;
    };

    void choose(const std::string& path) { answers.push_back(path); }
    void cancel() { answers.push_back(kCancel); }

    bool ask(char* path, size_t capacity, const platform::SaveDialogRequest& request) override {
        shown.push_back({path, capacity, request.filterDescription, request.filterPattern, request.defaultExtension});
        if (answers.empty()) return false;
        std::string chosen = answers.front();
        answers.pop_front();
        if (chosen == kCancel) return false;
        std::strncpy(path, chosen.c_str(), capacity - 1);
        path[capacity - 1] = '\0';
        return true;
    }

    std::deque<std::string> answers;  // empty: cancel
    std::vector<Shown> shown;

private:
    static constexpr const char* kCancel = "\x01<cancel>";
};

}  // namespace fakes
