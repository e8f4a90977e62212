#include "spanarray.h"

#include <new>

SpanArray::SpanArray(int n) : count(0), top(nullptr), bot(nullptr)
{
    if (n <= 0)
        return;
    top = new (std::nothrow) int[n];
    bot = new (std::nothrow) int[n];
    if (top && bot) {
        count = n;
        reset();
    }
}

SpanArray::~SpanArray()
{
    delete[] top;
    delete[] bot;
}

void SpanArray::reset()
{
    if (!top || !bot)
        return;
    for (int x = 0; x < count; ++x) {
        top[x] = -1;
        bot[x] = -1;
    }
}
