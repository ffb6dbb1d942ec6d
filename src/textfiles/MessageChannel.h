#pragma once
// What reading and writing files has to tell the user: a message box, and the one-line status
// text while a log is opened and counted. The readers here need no more, so they depend on no
// more; the rest of what long work reports (the progress bar, the message pump, the wait cursor,
// the reverse DNS buttons) is the passes' ProgressChannel, which extends this one.

#include <string>

class MessageChannel {
  public:
    enum class MessageType { Ok, YesNo };
    enum class Answer { Ok, Yes, No };

    virtual ~MessageChannel() = default;

    // A modal message box; texts use "\r\n" line breaks as written in the messages.
    virtual Answer MessageBox(const std::string& text, MessageType type = MessageType::Ok) = 0;

    virtual void ShowStatus(bool visible) = 0;
    virtual void SetStatusText(const std::string& text) = 0;
};
