// Message boxes. Every message and question of the program goes through
// these wrappers so that unattended mode can silence them and so that the
// GUI, the command line and the tests can each show them their own way.
#pragma once

#include <string>

namespace pellucor {

// Standard answer codes of the message boxes.
enum TavAnswer : int { TavOK = 1, TavCancel = 2, TavYes = 6, TavNo = 7 };

class MessageSink {
public:
    virtual ~MessageSink() = default;
    // An information box with an OK button.
    virtual void ShowMessage(const std::string& text) = 0;
    // Returns TavOK or TavCancel.
    virtual int AskOkCancel(const std::string& text) = 0;
    // Returns TavYes, TavNo or TavCancel.
    virtual int AskYesNoCancel(const std::string& text) = 0;
};

// Prints messages to stderr. Questions cannot be answered from a headless
// process, so they are logged and take the affirmative answer.
class StderrMessageSink : public MessageSink {
public:
    void ShowMessage(const std::string& text) override;
    int AskOkCancel(const std::string& text) override;
    int AskYesNoCancel(const std::string& text) override;
};

// Installs the sink used by all wrappers (not owned; nullptr restores the
// stderr sink). Returns the previous one.
MessageSink* SetMessageSink(MessageSink* sink);
MessageSink& CurrentMessageSink();

void Tav_SetUnattended(bool on);
bool Unattended();

// Information box; nothing in unattended mode.
void Tav_Message(const std::string& text);
// OK/Cancel; TavOK without asking in unattended mode.
int Tav_AskOkCancel(const std::string& text);
// Yes/No/Cancel; TavYes without asking in unattended mode.
int Tav_AskYesNoCancel(const std::string& text);

// Whether a message tells of something that failed or is missing ("Unable
// to ...", "Error ...", "... failed", "... does not exist"), so that it is
// shown as a warning rather than as information.
bool IsFailureMessage(const std::string& text);

// Plain message boxes that are shown even in unattended mode (a headless
// sink logs them instead of blocking).
void PlainMessage(const std::string& text);
int PlainAskYesNoCancel(const std::string& text);

}  // namespace pellucor
