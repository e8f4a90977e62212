// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui.h"

int main(int argc, char **argv)
{
    return velloraMain(argc, argv);
}
