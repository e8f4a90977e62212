// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_SPANARRAY_H
#define VELLORA_SPANARRAY_H

#include <vector>

// Per column a smaller (bot) and a larger (top) row index, -1 = not set.
class SpanArray {
public:
    explicit SpanArray(int n = 0) { resize(n); }

    // n columns, all not set.
    void resize(int n);
    void reset();
    int size() const { return static_cast<int>(top.size()); }
    void setTop(int x, int v) { if (inside(x)) top[x] = v; }
    void setBot(int x, int v) { if (inside(x)) bot[x] = v; }
    int getTop(int x) const { return inside(x) ? top[x] : -1; }
    int getBot(int x) const { return inside(x) ? bot[x] : -1; }
    bool operator==(const SpanArray &other) const { return top == other.top && bot == other.bot; }

private:
    bool inside(int x) const { return x >= 0 && x < size(); }
    std::vector<int> top;
    std::vector<int> bot;
};

#endif
