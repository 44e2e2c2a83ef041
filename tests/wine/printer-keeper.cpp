// Keeps the printers of a Wine test session.  Wine loads the CUPS queues
// into the prefix only in a process that loads winspool while no other
// process does (a mutex of winspool's), and such a process that finds no
// CUPS server deletes the printers it loaded before; every later process
// finds what that one left.  This program, started first with a private
// CUPS server of the tests' queues, loads them and then waits until the
// session ends it: every test's program finds the same printers, and a
// print test's own server (with the same queues) gets its jobs.
#include <windows.h>
#include <winspool.h>

#include <cstdio>

int main() {
    DWORD needed = 0, count = 0;
    EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 4, nullptr, 0, &needed, &count);
    std::printf("printers loaded\n");
    std::fflush(stdout);
    Sleep(INFINITE);
    return 0;
}
