// Message boxes of the windowed program (QMessageBox).
#pragma once

#include "core/Messages.h"

namespace pellucor {

class GuiMessageSink : public MessageSink {
public:
    void ShowMessage(const std::string& text) override;
    int AskOkCancel(const std::string& text) override;
    int AskYesNoCancel(const std::string& text) override;
};

}  // namespace pellucor
