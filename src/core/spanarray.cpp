// SPDX-License-Identifier: GPL-3.0-or-later
#include "spanarray.h"

void SpanArray::resize(int n)
{
    top.assign(n > 0 ? n : 0, -1);
    bot.assign(top.size(), -1);
}

void SpanArray::reset()
{
    resize(size());
}
