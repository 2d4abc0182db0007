// TEditHistory: the page's undo history, one QUndoStack for all faces.
//
// Each edit is a TEditStep. The stack holds a thin command per step; the
// step holds what it needs to go back and forth: pictures that are out of
// the document (a deleted layer, the face picture that was replaced, the
// picture before a turn), never a copy of one still in it. Past a memory
// budget the oldest steps are dropped, silently.
#pragma once

#include <QObject>
#include <QString>

#include <cstddef>
#include <functional>
#include <memory>

class QUndoStack;

class TEditStep {
public:
    TEditStep(int face, QString text) : FFace(face), FText(std::move(text)) {}
    virtual ~TEditStep() = default;
    TEditStep(const TEditStep&) = delete;
    TEditStep& operator=(const TEditStep&) = delete;

    // The face (1 front, 2 side, 3 top) the step changes.
    int Face() const { return FFace; }
    const QString& Text() const { return FText; }

    // Redo runs first when the step is pushed (the edit itself).
    virtual void Redo() = 0;
    virtual void Undo() = 0;
    // Memory the step holds of its own (pictures out of the document).
    virtual std::size_t Bytes() const { return 0; }
    // Steps of the same kind other than -1 may take in the next one (a burst of nudges).
    virtual int MergeId() const { return -1; }
    virtual bool MergeWith(const TEditStep&) { return false; }

private:
    int FFace;
    QString FText;
};

class TEditHistory : public QObject {
    Q_OBJECT
public:
    static constexpr std::size_t kDefaultBudget = std::size_t(512) << 20;

    explicit TEditHistory(QObject* parent = nullptr);
    ~TEditHistory() override;

    QUndoStack* Stack() const { return FStack; }
    // Runs the step's Redo and keeps it (or merges it into the last step).
    void Push(std::unique_ptr<TEditStep> step);
    // Forgets every step; the present state counts as saved.
    void Clear();

    // Bytes held by the steps, and the most they may hold before the oldest go.
    std::size_t HeldBytes() const;
    std::size_t Budget() const { return FBudget; }
    void SetBudget(std::size_t bytes);

    // Called before a step is undone or redone with the step's face, so the
    // page can show it first.
    std::function<void(int face)> ShowFace;

private:
    class TCommand;
    friend class TCommand;
    // Drops the oldest steps while the steps hold more than the budget.
    void KeepToBudget();

    QUndoStack* FStack;
    std::size_t FBudget = kDefaultBudget;
    // While the stack is rebuilt its commands do nothing.
    bool FQuiet = false;
};
