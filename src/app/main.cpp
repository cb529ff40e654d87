#include <cstdio>
int main() { std::puts("Vistrel 6.3.0"); return 0; }
