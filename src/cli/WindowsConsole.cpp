// The Windows console and pipes of vertalina-base, set up before main() runs.
// Linked into the Windows executable only.
//
// - Standard input, output and error are binary: the C runtime would turn
//   every "\n" into "\r\n" (and "\r\n" into "\r\r\n"), so exported tables and
//   bases written to a pipe would not be the bytes that a file gets.
// - A console shows the program's UTF-8 as UTF-8 while the program runs; its
//   own code page comes back when the program ends.
//
// The command line needs nothing here: main() reads the program's arguments
// from the UTF-16 command line, so Cyrillic file names arrive whole.

#include <cstdio>
#include <initializer_list>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace vt {

namespace {

class Console
{
public:
    Console()
    {
        for (FILE* stream : {stdin, stdout, stderr})
            _setmode(_fileno(stream), _O_BINARY);
        m_codePage = ::GetConsoleOutputCP();
        if (m_codePage != 0 && m_codePage != CP_UTF8)
            ::SetConsoleOutputCP(CP_UTF8);
    }
    ~Console()
    {
        if (m_codePage != 0 && m_codePage != CP_UTF8)
            ::SetConsoleOutputCP(m_codePage);
    }
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;

private:
    UINT m_codePage = 0; // 0: no console
};

const Console console;

} // namespace

} // namespace vt
