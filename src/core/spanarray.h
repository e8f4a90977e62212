#ifndef VELLORA_SPANARRAY_H
#define VELLORA_SPANARRAY_H

// Per column a smaller (bot) and a larger (top) row index, -1 = not set.
class SpanArray {
public:
    explicit SpanArray(int n);
    ~SpanArray();
    SpanArray(const SpanArray &) = delete;
    SpanArray &operator=(const SpanArray &) = delete;

    void reset();
    void setTop(int x, int v) { if (x >= 0 && x < count) top[x] = v; }
    void setBot(int x, int v) { if (x >= 0 && x < count) bot[x] = v; }
    int getTop(int x) const { return (x >= 0 && x < count) ? top[x] : -1; }
    int getBot(int x) const { return (x >= 0 && x < count) ? bot[x] : -1; }

    int count;
    int *top;
    int *bot;
};

#endif
