// The cubiform program: the wizard host window and its page.
#include "wizard/Program.h"

int main(int argc, char** argv)
{
    return RunCubiform(argc, argv, {});
}
