#include "ui.h"

int main(int argc, char **argv)
{
    return velloraMain(argc, argv);
}
