// Entry point: start-up order and the idle loop.
#include "shell/output.h"

int main()
{
    output("Vekran\n");
    return 0;
}
