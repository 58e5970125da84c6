#pragma once

#include "vornsdk/history.h"
#include "vornsdk/string.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace teskar {

// The changes of one undo step to one target (a mesh, a scene, the selection mode). Parts keep
// what they need to put their target back; targets record into the part of the recording step.
class StepPart {
public:
    virtual ~StepPart() = default;
    virtual void const* target() const = 0;
    virtual bool empty() const = 0;
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

} // namespace teskar

namespace VORNSDK::detail {

// What a HistoryTransaction records: its parts, by target.
struct TransactionRecord {
    String name;
    // Unique for the life of the process (addresses of closed records are reused).
    std::uint64_t id = 0;
    std::vector<std::unique_ptr<teskar::StepPart>> parts;
    std::unordered_map<void const*, teskar::StepPart*> by_target;

    teskar::StepPart* find(void const* target) const;
    void add(std::unique_ptr<teskar::StepPart> part);
    bool empty() const;
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
    void pop_context(TransactionRecord* record);
    // A transaction ends: its record joins an enclosing context's record, goes onto the undo
    // stack, or is dropped when empty.
    void close(TransactionRecord* record);

    bool undo();
    bool redo();
    std::vector<std::string> undo_names() const;
    std::vector<std::string> redo_names() const;
    // Drops every closed step (the session starts over).
    void clear();

private:
    UndoHistory() = default;
    void changed() { ++generation_; }

    TransactionRecord* current_ = nullptr;
    std::vector<TransactionRecord*> contexts_;
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

} // namespace teskar
