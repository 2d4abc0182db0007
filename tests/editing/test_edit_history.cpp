// The undo history's memory budget: the oldest steps go, silently, and what
// is left still undoes and redoes, with the saved state where it was.
#include "editing/EditHistory.h"

#include <QSignalSpy>
#include <QUndoStack>
#include <gtest/gtest.h>

#include <vector>

namespace {

// Adds its value to a total; holds the bytes it is made with.
class AddStep : public TEditStep {
public:
    AddStep(int& total, int value, std::size_t bytes, int face = 1)
        : TEditStep(face, QStringLiteral("Add %1").arg(value)), FTotal(total), FValue(value), FBytes(bytes)
    {
    }
    void Redo() override { FTotal += FValue; }
    void Undo() override { FTotal -= FValue; }
    std::size_t Bytes() const override { return FBytes; }

private:
    int& FTotal;
    int FValue;
    std::size_t FBytes;
};

} // namespace

TEST(EditHistory, OldestStepsGoPastTheBudgetAndTheRestStillWork)
{
    TEditHistory history;
    QUndoStack* stack = history.Stack();
    history.SetBudget(1000);
    std::vector<int> shown;
    history.ShowFace = [&](int face) { shown.push_back(face); };
    QSignalSpy cleanChanges(stack, &QUndoStack::cleanChanged);
    int total = 0;
    history.Push(std::make_unique<AddStep>(total, 1, 300));
    history.Push(std::make_unique<AddStep>(total, 2, 300, 2));
    stack->setClean(); // saved here: 1 + 2
    cleanChanges.clear();
    history.Push(std::make_unique<AddStep>(total, 4, 300, 3));
    EXPECT_EQ(stack->count(), 3);
    EXPECT_EQ(history.HeldBytes(), 900u);
    history.Push(std::make_unique<AddStep>(total, 8, 300));
    EXPECT_EQ(total, 15);
    // The first step went; nothing was undone or redone on the way.
    ASSERT_EQ(stack->count(), 3);
    EXPECT_EQ(history.HeldBytes(), 900u);
    EXPECT_EQ(stack->undoText(), QStringLiteral("Add 8"));
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(cleanChanges.count(), 1); // only the push after the save
    EXPECT_FALSE(stack->isClean());

    stack->undo();
    stack->undo();
    EXPECT_EQ(total, 3);
    EXPECT_TRUE(stack->isClean()); // back at the saved state
    stack->undo();
    EXPECT_EQ(total, 1);
    EXPECT_FALSE(stack->canUndo());
    EXPECT_EQ(shown, (std::vector<int>{1, 3, 2}));
    stack->redo();
    stack->redo();
    stack->redo();
    EXPECT_EQ(total, 15);

    // A step larger than the budget stays, alone; the saved state went with the rest.
    history.Push(std::make_unique<AddStep>(total, 16, 5000));
    EXPECT_EQ(stack->count(), 1);
    EXPECT_EQ(stack->cleanIndex(), -1);
    stack->undo();
    EXPECT_EQ(total, 15);
    EXPECT_FALSE(stack->isClean());

    // A smaller budget applies at once.
    stack->redo();
    history.Push(std::make_unique<AddStep>(total, 32, 10));
    history.Push(std::make_unique<AddStep>(total, 64, 10));
    history.SetBudget(100);
    EXPECT_EQ(stack->count(), 2);
    EXPECT_EQ(history.HeldBytes(), 20u);
    EXPECT_EQ(total, 127);
}
