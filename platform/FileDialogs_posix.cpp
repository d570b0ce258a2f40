#include "platform/FileDialogs.h"

namespace platform {
namespace {

class NoSaveDialog : public SaveDialog {
public:
    bool ask(char*, size_t, const SaveDialogRequest&) override { return false; }
};

}  // namespace

SaveDialog& defaultSaveDialog() {
    static NoSaveDialog none;
    return none;
}

}  // namespace platform
