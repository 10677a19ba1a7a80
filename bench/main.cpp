// vekran-bench: fixed workloads with a node-count signature, then speed figures.
#include <cstdio>

int main()
{
    std::printf("nothing to measure yet\n");
    return 0;
}
