/* A C program using the shared object a Zorbel module with Option DLL On builds. */
#include <stdint.h>
#include <stdio.h>

int32_t SomeName(const char*);
const char* Shout(const char*, int16_t);
void Twice(int32_t*, int16_t*, double*);
double Inverse(double);

int main(void) {
    int32_t n = 21;
    int16_t flag = 0;
    double x = 5;
    printf("%d\n", SomeName("hello"));
    printf("%s\n", Shout("ab", 3));
    fflush(stdout);
    Twice(&n, &flag, &x);
    printf("%d %d %g\n", n, flag, x);
    printf("%g\n", Inverse(4));
    fflush(stdout);
    printf("%g\n", Inverse(0));
    printf("still running\n");
    return 0;
}
