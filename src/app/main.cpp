#include "app/Startup.h"

using namespace vt;

int main(int argc, char** argv)
{
    return RunEditor(argc, argv);
}
