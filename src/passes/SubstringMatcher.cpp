#include "passes/SubstringMatcher.h"

#include <array>
#include <queue>

namespace {

constexpr std::uint32_t kNone = UINT32_MAX;

}  // namespace

SubstringMatcher::SubstringMatcher(const std::vector<std::string>& patterns) : byteClass_(256, 0) {
    std::array<bool, 256> used{};
    for (const std::string& pattern : patterns) {
        if (pattern.empty()) matchesEverything_ = true;
        for (unsigned char c : pattern) used[c] = true;
    }
    if (matchesEverything_) return;
    for (std::size_t b = 0; b < used.size(); ++b) {
        if (used[b]) byteClass_[b] = static_cast<std::uint16_t>(classCount_++);
    }
    transitions_.assign(classCount_, kNone);
    accepting_.assign(1, false);
    for (const std::string& pattern : patterns) AddPattern(pattern);
    CompleteTransitions();
}

void SubstringMatcher::AddPattern(const std::string& pattern) {
    State state = 0;
    for (unsigned char c : pattern) {
        State& next = transitions_[state * classCount_ + byteClass_[c]];
        if (next == kNone) {
            next = static_cast<State>(accepting_.size());
            accepting_.push_back(false);
            // `next` is a reference into the table; grow it only after the new index is stored.
            transitions_.resize(transitions_.size() + classCount_, kNone);
        }
        state = transitions_[state * classCount_ + byteClass_[c]];
    }
    accepting_[state] = true;
}

// Breadth-first over the trie: a missing transition takes the one of the state's failure link
// (the longest proper suffix that is also a trie path), which is already complete because it is
// shallower. A state whose failure link accepts accepts too.
void SubstringMatcher::CompleteTransitions() {
    std::vector<State> failure(accepting_.size(), 0);
    std::queue<State> pending;
    for (std::size_t k = 0; k < classCount_; ++k) {
        State& next = transitions_[k];
        if (next == kNone) {
            next = 0;
        } else {
            pending.push(next);
        }
    }
    while (!pending.empty()) {
        const State state = pending.front();
        pending.pop();
        if (accepting_[failure[state]]) accepting_[state] = true;
        for (std::size_t k = 0; k < classCount_; ++k) {
            State& next = transitions_[state * classCount_ + k];
            const State fallback = transitions_[failure[state] * classCount_ + k];
            if (next == kNone) {
                next = fallback;
            } else {
                failure[next] = fallback;
                pending.push(next);
            }
        }
    }
}

bool SubstringMatcher::OccursIn(std::string_view text) const {
    if (matchesEverything_) return true;
    if (accepting_.empty()) return false;
    State state = 0;
    for (unsigned char c : text) {
        state = Next(state, c);
        if (accepting_[state]) return true;
    }
    return false;
}
