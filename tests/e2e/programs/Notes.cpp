// A stand-in for a product's program: it does nothing, but carries a version resource, as
// real programs do, for `packwright init` to read.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return 0; }
