// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VELLORA_REASONS_H
#define VELLORA_REASONS_H

// The detectors' doubts, joined into one short text for the user.

#include <string>

inline void appendReason(std::string &reason, const std::string &text)
{
    if (text.empty()) return;
    if (!reason.empty()) reason += "; ";
    reason += text;
}

#endif
