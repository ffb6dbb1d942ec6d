#pragma once
// Answers "does any of these texts occur in this one?" in one walk over the text, whatever the
// number of texts: an Aho–Corasick automaton, built once, turned into a table of transitions.
// Bytes are compared exactly (case-sensitive); an empty text occurs in every text.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class SubstringMatcher {
  public:
    explicit SubstringMatcher(const std::vector<std::string>& patterns);

    bool OccursIn(std::string_view text) const;

  private:
    using State = std::uint32_t;

    State Next(State state, unsigned char byte) const {
        return transitions_[state * classCount_ + byteClass_[byte]];
    }
    void AddPattern(const std::string& pattern);
    void CompleteTransitions();

    bool matchesEverything_ = false;
    // Bytes that occur in no pattern all behave alike, so they share class 0; this keeps the
    // table small for long lists.
    std::vector<std::uint16_t> byteClass_;
    std::size_t classCount_ = 1;
    std::vector<State> transitions_;  // row per state, column per byte class
    std::vector<bool> accepting_;     // some pattern ends at this state
};
