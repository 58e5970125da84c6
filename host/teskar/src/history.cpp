#include "teskar/history.h"

#include <algorithm>

namespace VORNSDK::detail {

std::uint64_t TransactionRecord::next_id()
{
    static std::uint64_t id = 0;
    return ++id;
}

teskar::StepPart* TransactionRecord::find(void const* target) const
{
    auto it = by_target.find(target);
    return it == by_target.end() ? nullptr : it->second;
}

void TransactionRecord::add(std::unique_ptr<teskar::StepPart> part)
{
    by_target.emplace(part->target(), part.get());
    parts.push_back(std::move(part));
}

bool TransactionRecord::unchanged() const
{
    return std::all_of(parts.begin(), parts.end(), [](auto const& p) { return p->unchanged(); });
}

// Parts restore independent targets from snapshots, so their order does not matter; reverse
// order keeps to the usual undo discipline all the same.
void TransactionRecord::undo()
{
    for (auto it = parts.rbegin(); it != parts.rend(); ++it)
        (*it)->undo();
}

void TransactionRecord::redo()
{
    for (auto& p : parts)
        p->redo();
}

void TransactionRecord::revert()
{
    for (auto it = parts.rbegin(); it != parts.rend(); ++it)
        (*it)->revert();
    first_tick = 0;
}

void TransactionRecord::absorb(TransactionRecord& other)
{
    for (auto& part : other.parts) {
        if (teskar::StepPart* mine = find(part->target()))
            mine->absorb(*part);
        else
            add(std::move(part));
    }
    other.parts.clear();
    other.by_target.clear();
    if (other.first_tick != 0 && (first_tick == 0 || other.first_tick < first_tick))
        first_tick = other.first_tick;
    other.first_tick = 0;
}

} // namespace VORNSDK::detail

namespace teskar {

UndoHistory& UndoHistory::instance()
{
    static UndoHistory history;
    return history;
}

TransactionRecord* UndoHistory::recording() const
{
    return contexts_.empty() ? current_ : contexts_.back().record;
}

void UndoHistory::set_current(TransactionRecord* record)
{
    current_ = record;
    changed();
}

void UndoHistory::push_context(TransactionRecord* record, bool restore)
{
    if (restore)
        record->revert();
    contexts_.push_back({record, std::uncaught_exceptions()});
    changed();
}

void UndoHistory::pop_context(TransactionRecord* record)
{
    auto it = std::find_if(contexts_.rbegin(), contexts_.rend(), [&](Context const& c) { return c.record == record; });
    if (it == contexts_.rend())
        return;
    if (std::uncaught_exceptions() > it->exceptions)
        record->revert();
    contexts_.erase(std::next(it).base());
    changed();
}

void UndoHistory::close(TransactionRecord* record)
{
    std::unique_ptr<TransactionRecord> owned(record);
    if (current_ == record)
        current_ = nullptr;
    std::erase_if(contexts_, [&](Context const& c) { return c.record == record; });
    changed();
    if (std::uncaught_exceptions() > record->exceptions) {
        record->revert();
        return;
    }
    keep(std::move(owned), contexts_.empty() ? nullptr : contexts_.back().record);
}

void UndoHistory::keep(std::unique_ptr<TransactionRecord> record, TransactionRecord* into)
{
    if (record->unchanged())
        return;
    if (into) {
        into->absorb(*record);
        changed();
        return;
    }
    // A step closing while a tool's transaction holds older changes (a tool that makes a step of
    // its own in the middle of its use) comes after them: those become a step first.
    if (current_ && current_->first_tick != 0 && current_->first_tick < record->first_tick && current_changes())
        split_current();
    undo_.push_back(std::move(record));
    redo_.clear();
}

void UndoHistory::roll_back(TransactionRecord* record)
{
    record->revert();
    changed();
}

void UndoHistory::split_current()
{
    if (!current_ || current_->parts.empty())
        return;
    auto step = std::make_unique<TransactionRecord>();
    step->name = current_->name;
    // The closed step keeps the id: the meshes made so far belong to it.
    step->id = current_->id;
    step->parts = std::move(current_->parts);
    step->by_target = std::move(current_->by_target);
    step->first_tick = current_->first_tick;
    current_->parts.clear();
    current_->by_target.clear();
    current_->first_tick = 0;
    current_->id = TransactionRecord::next_id();
    changed();
    keep(std::move(step), nullptr);
}

bool UndoHistory::undo()
{
    if (!contexts_.empty())
        return false;
    split_current();
    if (undo_.empty())
        return false;
    auto step = std::move(undo_.back());
    undo_.pop_back();
    step->undo();
    redo_.push_back(std::move(step));
    changed();
    return true;
}

bool UndoHistory::redo()
{
    if (!contexts_.empty())
        return false;
    split_current();
    if (redo_.empty())
        return false;
    auto step = std::move(redo_.back());
    redo_.pop_back();
    step->redo();
    undo_.push_back(std::move(step));
    changed();
    return true;
}

std::size_t UndoHistory::undo_steps() const { return undo_.size() + (current_changes() ? 1 : 0); }

std::size_t UndoHistory::redo_steps() const { return current_changes() ? 0 : redo_.size(); }

std::vector<std::string> UndoHistory::undo_names() const
{
    std::vector<std::string> names;
    for (auto const& s : undo_)
        names.push_back(s->name.to_utf8());
    return names;
}

std::vector<std::string> UndoHistory::redo_names() const
{
    std::vector<std::string> names;
    for (auto const& s : redo_)
        names.push_back(s->name.to_utf8());
    return names;
}

void UndoHistory::clear()
{
    undo_.clear();
    redo_.clear();
    changed();
}

ImplicitTransaction::ImplicitTransaction(VORNSDK::String const& name)
{
    if (!UndoHistory::instance().recording()) {
        transaction_ = std::make_unique<VORNSDK::HistoryTransaction>(name);
        VORNSDK::History::instance().set_current_transaction(transaction_.get());
    }
}

ImplicitTransaction::~ImplicitTransaction()
{
    if (transaction_ && VORNSDK::History::instance().current_transaction() == transaction_.get())
        VORNSDK::History::instance().set_current_transaction(nullptr);
}

ScopedStep::ScopedStep(VORNSDK::String const& name) : record_(std::make_unique<TransactionRecord>())
{
    auto& history = UndoHistory::instance();
    record_->name = name;
    TransactionRecord const* outer = history.recording();
    record_->id = outer ? outer->id : TransactionRecord::next_id();
    history.push_context(record_.get(), false);
}

ScopedStep::~ScopedStep()
{
    auto& history = UndoHistory::instance();
    // Left by an exception, the context rolls the record back as it ends.
    history.pop_context(record_.get());
    if (!rolled_back_ && std::uncaught_exceptions() <= record_->exceptions)
        history.keep(std::move(record_), history.recording());
}

void ScopedStep::roll_back()
{
    UndoHistory::instance().roll_back(record_.get());
    rolled_back_ = true;
}

RollBackOnThrow::~RollBackOnThrow()
{
    auto& history = UndoHistory::instance();
    if (std::uncaught_exceptions() > exceptions_ && history.current())
        history.roll_back(history.current());
}

} // namespace teskar

namespace VORNSDK {

namespace {
HistoryTransaction* g_current = nullptr;
} // namespace

HistoryTransaction::HistoryTransaction(String const& name) : record_(new detail::TransactionRecord)
{
    record_->name = name;
    record_->id = detail::TransactionRecord::next_id();
}

HistoryTransaction::~HistoryTransaction()
{
    if (g_current == this)
        g_current = nullptr;
    teskar::UndoHistory::instance().close(record_);
}

String const& HistoryTransaction::name() const { return record_->name; }

History& History::instance()
{
    static History history;
    return history;
}

void History::set_current_transaction(HistoryTransaction* transaction)
{
    g_current = transaction;
    teskar::UndoHistory::instance().set_current(transaction ? transaction->record() : nullptr);
}

HistoryTransaction* History::current_transaction() const { return g_current; }

HistoryContext::HistoryContext(HistoryTransaction& transaction, bool restore) : transaction_(transaction)
{
    teskar::UndoHistory::instance().push_context(transaction.record(), restore);
}

HistoryContext::~HistoryContext() { teskar::UndoHistory::instance().pop_context(transaction_.record()); }

} // namespace VORNSDK
