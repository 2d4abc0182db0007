#include "wizard/Program.h"

TStartHook ProgramStartHook()
{
    return {};
}
