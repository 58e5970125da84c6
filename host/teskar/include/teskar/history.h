#pragma once

#include "vornsdk/component.h"
#include "vornsdk/history.h"
#include "vornsdk/string.h"

#include <cstdint>
#include <cstring>
#include <exception>
#include <memory>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <vector>

namespace teskar {

// The changes of one undo step to one target (a mesh, a scene, the selection mode). Parts keep
// what they need to put their target back; targets record into the part of the recording step.
class StepPart {
public:
    virtual ~StepPart() = default;
    virtual void const* target() const = 0;
    // Whether undoing the part would change nothing: the target is now as the part recorded it
    // before the first change. Costs what the part recorded, not the size of the target.
    virtual bool unchanged() const = 0;
    // Back to the state before the part's first change; what it undid is kept for redo.
    virtual void undo() = 0;
    virtual void redo() = 0;
    // Back to the state before the first change, forgetting the changes: recording goes on
    // from there as if nothing had happened.
    virtual void revert() = 0;
    // Takes over the changes of another part of the same target, keeping for every element the
    // state recorded earliest.
    virtual void absorb(StepPart& other) = 0;
};

// Exact equality of recorded values: -0 differs from 0 and a NaN equals itself, so undo puts
// back precisely what was there.
template <class T>
bool same_bits(T const& a, T const& b)
{
    static_assert(std::is_trivially_copyable_v<T>);
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

} // namespace teskar

namespace VORNSDK::detail {

// What a HistoryTransaction records: its parts, by target.
struct TransactionRecord {
    String name;
    // Unique for the life of the process (addresses of closed records are reused); a record
    // nested in another shares its id, since meshes made in either belong to the outer one.
    std::uint64_t id = 0;
    std::vector<std::unique_ptr<teskar::StepPart>> parts;
    std::unordered_map<void const*, teskar::StepPart*> by_target;
    // Exceptions in flight when the record began: a record closed while more are in flight is
    // closed by an exception, and rolls back.
    int exceptions = std::uncaught_exceptions();
    // The history's clock when the record first took a change since it began or was reverted;
    // 0 before that. Tells which of two open records holds the older changes.
    std::uint64_t first_tick = 0;

    static std::uint64_t next_id();
    teskar::StepPart* find(void const* target) const;
    void add(std::unique_ptr<teskar::StepPart> part);
    bool unchanged() const;
    void undo();
    void redo();
    void revert();
    // Merges another record's parts into this one; the other is left empty.
    void absorb(TransactionRecord& other);
};

} // namespace VORNSDK::detail

namespace teskar {

using VORNSDK::detail::TransactionRecord;

// The host's undo history: the record receiving changes, closed steps to undo and redo.
class UndoHistory {
public:
    static UndoHistory& instance();

    // The record receiving changes: the innermost context's, else the current transaction's.
    TransactionRecord* recording() const;
    // Changes whenever the answer of recording() or the parts of a record may have changed; a
    // target that caches its part compares generations.
    std::uint64_t generation() const { return generation_; }
    // A clock for the order of recorded states.
    std::uint64_t tick() { return ++clock_; }

    // The recording record's part for target, made with make() on first use; null when nothing records.
    template <class Part, class Make>
    Part* part_for(void const* target, Make&& make)
    {
        TransactionRecord* record = recording();
        if (!record)
            return nullptr;
        if (record->first_tick == 0)
            record->first_tick = tick();
        if (StepPart* existing = record->find(target))
            return static_cast<Part*>(existing);
        auto part = make();
        Part* raw = part.get();
        record->add(std::move(part));
        return raw;
    }

    void set_current(TransactionRecord* record);
    TransactionRecord* current() const { return current_; }
    void push_context(TransactionRecord* record, bool restore);
    // Ends the innermost context of the record. A context left by an exception first rolls back
    // everything the record holds.
    void pop_context(TransactionRecord* record);
    // A transaction ends: its record joins an enclosing context's record, goes onto the undo
    // stack, or is dropped when it changes nothing. One closed by an exception rolls back.
    void close(TransactionRecord* record);
    // The end of a record that is not a transaction's: it joins the record `into`, or goes onto
    // the undo stack when `into` is null, unless it changes nothing. When the current
    // transaction holds older changes then, they become a step of their own first.
    void keep(std::unique_ptr<TransactionRecord> record, TransactionRecord* into);
    // Puts back everything the record holds and forgets it; the undo and redo lists stay as they are.
    void roll_back(TransactionRecord* record);

    // Undo and redo act on closed steps. While a transaction is current (a tool's, say), what it
    // holds so far is first closed into a step of its own, and the transaction goes on recording
    // from an empty state; so undo takes back its latest changes, and redo after such changes
    // has nothing to redo. Both refuse while a context is open.
    bool undo();
    bool redo();
    // The steps undo and redo would find, the current transaction's changes included.
    std::size_t undo_steps() const;
    std::size_t redo_steps() const;
    std::vector<std::string> undo_names() const;
    std::vector<std::string> redo_names() const;
    // Drops every closed step (the session starts over).
    void clear();

private:
    struct Context {
        TransactionRecord* record;
        int exceptions;
    };

    UndoHistory() = default;
    void changed() { ++generation_; }
    bool current_changes() const { return current_ && !current_->unchanged(); }
    // Closes what the current transaction holds into a step of its own, or forgets it when it
    // changes nothing (its saved states would go stale under an undo).
    void split_current();

    TransactionRecord* current_ = nullptr;
    std::vector<Context> contexts_;
    std::vector<std::unique_ptr<TransactionRecord>> undo_;
    std::vector<std::unique_ptr<TransactionRecord>> redo_;
    std::uint64_t generation_ = 1;
    std::uint64_t clock_ = 0;
};

// Opens a transaction for the lifetime of the scope unless one is already recording, so that
// changes made outside any transaction still become one undo step.
class ImplicitTransaction {
public:
    explicit ImplicitTransaction(VORNSDK::String const& name);
    ~ImplicitTransaction();

private:
    std::unique_ptr<VORNSDK::HistoryTransaction> transaction_;
};

// The name of a command's undo step: its user name, else its type name.
VORNSDK::String step_name(VORNSDK::Component const& command);

// The changes of one scope (a statement, say) kept apart, so that they can be taken back alone.
// At the end of the scope they join the transaction recording when the scope began, or become an
// undo step named `name` when none was. roll_back(), and leaving the scope by an exception, put
// them back and forget them without touching the undo and redo lists.
class ScopedStep {
public:
    explicit ScopedStep(VORNSDK::String const& name);
    ~ScopedStep();
    ScopedStep(ScopedStep const&) = delete;
    ScopedStep& operator=(ScopedStep const&) = delete;
    void roll_back();

private:
    std::unique_ptr<TransactionRecord> record_;
    bool rolled_back_ = false;
};

// When the scope is left by an exception, rolls back what the current transaction holds: a tool
// that throws from an event leaves the scene as it was before the tool's open step.
class RollBackOnThrow {
public:
    RollBackOnThrow() = default;
    ~RollBackOnThrow();
    RollBackOnThrow(RollBackOnThrow const&) = delete;
    RollBackOnThrow& operator=(RollBackOnThrow const&) = delete;

private:
    int exceptions_ = std::uncaught_exceptions();
};

} // namespace teskar
