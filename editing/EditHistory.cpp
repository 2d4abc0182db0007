#include "editing/EditHistory.h"

#include <QSignalBlocker>
#include <QUndoStack>

#include <vector>

// The stack's command for a step. The step is shared so that the stack can
// be rebuilt without its oldest commands (QUndoStack cannot drop them).
class TEditHistory::TCommand : public QUndoCommand {
public:
    TCommand(TEditHistory* history, std::shared_ptr<TEditStep> step, bool done)
        : QUndoCommand(step->Text()), FHistory(history), FStep(std::move(step)), FDone(done)
    {
    }
    const std::shared_ptr<TEditStep>& Step() const { return FStep; }

    void redo() override
    {
        // The step was carried out before it was pushed.
        if (FDone || FHistory->FQuiet) {
            FDone = false;
            return;
        }
        if (FHistory->ShowFace) FHistory->ShowFace(FStep->Face());
        FStep->Redo();
    }
    void undo() override
    {
        if (FHistory->FQuiet) return;
        if (FHistory->ShowFace) FHistory->ShowFace(FStep->Face());
        FStep->Undo();
    }
    int id() const override { return FStep->MergeId(); }
    bool mergeWith(const QUndoCommand* other) override
    {
        auto* next = dynamic_cast<const TCommand*>(other);
        if (FHistory->FQuiet || !next || !FStep->MergeWith(*next->FStep)) return false;
        setText(FStep->Text());
        return true;
    }

private:
    TEditHistory* FHistory;
    std::shared_ptr<TEditStep> FStep;
    bool FDone;
};

TEditHistory::TEditHistory(QObject* parent) : QObject(parent), FStack(new QUndoStack(this))
{
    FStack->setObjectName(QStringLiteral("EditHistory"));
}

TEditHistory::~TEditHistory()
{
    // The steps go before whatever their layers belonged to.
    FQuiet = true;
    const QSignalBlocker quiet(FStack);
    FStack->clear();
}

void TEditHistory::Push(std::unique_ptr<TEditStep> step)
{
    if (!step) return;
    // Carried out here, so that a step that fails is never on the stack.
    step->Redo();
    FStack->push(new TCommand(this, std::shared_ptr<TEditStep>(step.release()), true));
    KeepToBudget();
}

void TEditHistory::Clear()
{
    FStack->clear();
}

std::size_t TEditHistory::HeldBytes() const
{
    std::size_t total = 0;
    for (int i = 0; i < FStack->count(); ++i)
        if (auto* c = dynamic_cast<const TCommand*>(FStack->command(i))) total += c->Step()->Bytes();
    return total;
}

void TEditHistory::SetBudget(std::size_t bytes)
{
    FBudget = bytes;
    KeepToBudget();
}

void TEditHistory::KeepToBudget()
{
    const int count = FStack->count();
    std::vector<std::shared_ptr<TEditStep>> steps;
    std::size_t total = 0;
    for (int i = 0; i < count; ++i) {
        auto* c = dynamic_cast<const TCommand*>(FStack->command(i));
        if (!c) return;
        steps.push_back(c->Step());
        total += c->Step()->Bytes();
    }
    // The newest step stays whatever it holds.
    int drop = 0;
    while (drop < count - 1 && total > FBudget) total -= steps[std::size_t(drop++)]->Bytes();
    if (drop == 0) return;

    // The same steps again without the oldest; nothing is undone or redone,
    // and the saved state keeps its place (or is gone with the dropped steps).
    const int index = FStack->index();
    const int clean = FStack->cleanIndex();
    const QSignalBlocker quiet(FStack);
    FQuiet = true;
    FStack->clear();
    for (int i = drop; i < count; ++i) {
        if (i == clean) FStack->setClean();
        FStack->push(new TCommand(this, steps[std::size_t(i)], false));
    }
    if (clean == count)
        FStack->setClean();
    else if (clean < drop)
        FStack->resetClean();
    FStack->setIndex(index - drop);
    FQuiet = false;
}
