// The cubiform program: the wizard host window and its page.
#include "wizard/CodexaCli.h"
#include "wizard/Program.h"

int main(int argc, char** argv)
{
    return RunCubiform(argc, argv, [](QWidget* owner) -> QWidget* { return new TCodexaCliFrm(owner); },
                       ProgramStartHook());
}
