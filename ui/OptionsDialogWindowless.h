// Decisions of the options dialog that need no window: the numeric value of a
// text, how a selection moves, and the names that a multiple-selection file
// dialog returns. Header-only so that the unit tests can use it without the
// Windows program.
#pragma once

#include <climits>
#include <cstddef>
#include <string>
#include <vector>

namespace ui {

// The value atoi would give (leading white space, optional sign, decimal digits,
// 0 without digits), but saturating at INT_MIN / INT_MAX instead of overflowing:
// the interval field and the stored "Time" may hold any number of digits.
inline int numericValue(const char* text) {
    if (text == nullptr) return 0;
    const char* p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = (*p == '-');
        ++p;
    }
    long long value = 0;
    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    for (; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + (*p - '0');
        if (value > limit) {
            value = limit;
            // Skip the remaining digits; the result stays at the limit.
            while (p[1] >= '0' && p[1] <= '9') ++p;
        }
    }
    return static_cast<int>(negative ? -value : value);
}

struct LineMove {
    int from;  // line to take out
    int to;    // index at which it is inserted again
};

struct MovePlan {
    std::vector<LineMove> moves;  // to be performed in this order
    std::vector<int> selection;   // the selected lines afterwards
};

// Moves every selected line one place up (or down). A selected block that
// already touches the top (or bottom) of the list stays where it is, while
// selected lines further away still move. `selected` is ascending, as the list
// box reports it; `count` is the number of lines in the list.
inline MovePlan planMove(const std::vector<int>& selected, int count, bool up) {
    MovePlan plan;
    plan.selection = selected;
    std::vector<int>& table = plan.selection;
    const int n = static_cast<int>(table.size());
    if (up) {
        bool pinned = false;  // the previous entry stayed at the top run
        for (int i = 0; i < n; ++i) {
            const int index = table[i];
            if (index <= 0 || (pinned && index == table[i - 1] + 1)) {
                pinned = true;
                continue;
            }
            pinned = false;
            plan.moves.push_back({index, index - 1});
            table[i] = index - 1;
        }
    } else {
        bool pinned = false;
        for (int i = n - 1; i >= 0; --i) {
            const int index = table[i];
            if (index >= count - 1 || (pinned && index == table[i + 1] - 1)) {
                pinned = true;
                continue;
            }
            pinned = false;
            plan.moves.push_back({index, index + 1});
            table[i] = index + 1;
        }
    }
    return plan;
}

// The paths chosen in a multiple-selection file dialog. `buffer` holds either one
// full path, or the directory, a NUL, one NUL-terminated name per file and an
// empty string; `fileOffset` is the dialog's offset of the (first) name. Nothing
// is read beyond `size` characters, and a list that is not terminated inside the
// buffer is cut there. Char is wchar_t for the system's dialog; a backslash is
// never part of another character in UTF-16 or UTF-8.
template <typename Char>
std::vector<std::basic_string<Char>> selectedFiles(const Char* buffer, std::size_t size, std::size_t fileOffset) {
    std::vector<std::basic_string<Char>> paths;
    auto lengthAt = [&](std::size_t offset) {
        std::size_t length = 0;
        while (offset + length < size && buffer[offset + length] != Char(0)) ++length;
        return length;
    };
    const std::size_t first = lengthAt(0);
    if (first == 0 || first >= size) return paths;
    if (fileOffset < 2 || fileOffset >= size || first == fileOffset + lengthAt(fileOffset)) {
        paths.emplace_back(buffer, first);
        return paths;
    }
    const std::basic_string<Char> directory(buffer, first);
    // A root ("C:\\") ends with its separator.
    const bool rooted = buffer[first - 1] == Char('\\');
    std::size_t offset = fileOffset;
    while (offset < size) {
        const std::size_t length = lengthAt(offset);
        if (length == 0 || offset + length >= size) break;
        std::basic_string<Char> path = directory;
        if (!rooted) path += Char('\\');
        path.append(buffer + offset, length);
        paths.push_back(std::move(path));
        offset += length + 1;
    }
    return paths;
}

}  // namespace ui
