// A pseudo-random source that yields scripted values, then repeats its last
// one (0 when nothing was scripted). Counts the values drawn.
#pragma once

#include <deque>

#include "Installed.h"
#include "platform/Random.h"

namespace fakes {

class ScriptedRandom : public Installed<platform::RandomSource, platform::setRandomSource> {
public:
    explicit ScriptedRandom(std::deque<int> values = {}) : values_(std::move(values)) {}

    void add(int value) { values_.push_back(value); }

    int next() override {
        ++drawn;
        if (!values_.empty()) {
            last_ = values_.front();
            values_.pop_front();
        }
        return last_;
    }

    int drawn = 0;

private:
    std::deque<int> values_;
    int last_ = 0;
};

}  // namespace fakes
