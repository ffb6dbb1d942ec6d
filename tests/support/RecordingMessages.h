#pragma once
// Records what a MessageChannel is told: message box texts and status texts and whether the
// status line shows. Message boxes answer with `nextAnswer`. A template so that RecordingChannel
// records the same way for the whole ProgressChannel.

#include <string>
#include <vector>

#include "textfiles/MessageChannel.h"

template <class Channel = MessageChannel>
class RecordingMessages : public Channel {
  public:
    using typename Channel::Answer;
    using typename Channel::MessageType;

    std::vector<std::string> messages;
    std::vector<std::string> statusTexts;
    bool statusVisible = false;
    Answer nextAnswer = Answer::Yes;

    Answer MessageBox(const std::string& text, MessageType type) override {
        messages.push_back(text);
        return type == MessageType::Ok ? Answer::Ok : nextAnswer;
    }
    void ShowStatus(bool visible) override { statusVisible = visible; }
    void SetStatusText(const std::string& text) override { statusTexts.push_back(text); }
};
