#include "teskar/history.h"

#include <algorithm>

namespace VORNSDK::detail {

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

bool TransactionRecord::empty() const
{
    return std::all_of(parts.begin(), parts.end(), [](auto const& p) { return p->empty(); });
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
}

} // namespace VORNSDK::detail

namespace teskar {

UndoHistory& UndoHistory::instance()
{
    static UndoHistory history;
    return history;
}

TransactionRecord* UndoHistory::recording() const { return contexts_.empty() ? current_ : contexts_.back(); }

void UndoHistory::set_current(TransactionRecord* record)
{
    current_ = record;
    changed();
}

void UndoHistory::push_context(TransactionRecord* record, bool restore)
{
    if (restore)
        record->revert();
    contexts_.push_back(record);
    changed();
}

void UndoHistory::pop_context(TransactionRecord* record)
{
    auto it = std::find(contexts_.rbegin(), contexts_.rend(), record);
    if (it != contexts_.rend())
        contexts_.erase(std::next(it).base());
    changed();
}

void UndoHistory::close(TransactionRecord* record)
{
    std::unique_ptr<TransactionRecord> owned(record);
    if (current_ == record)
        current_ = nullptr;
    std::erase(contexts_, record);
    changed();
    if (record->empty())
        return;
    auto enclosing = std::find_if(contexts_.rbegin(), contexts_.rend(), [&](auto* r) { return r != record; });
    if (enclosing != contexts_.rend()) {
        (*enclosing)->absorb(*record);
        return;
    }
    undo_.push_back(std::move(owned));
    redo_.clear();
}

bool UndoHistory::undo()
{
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
    if (redo_.empty())
        return false;
    auto step = std::move(redo_.back());
    redo_.pop_back();
    step->redo();
    undo_.push_back(std::move(step));
    changed();
    return true;
}

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

} // namespace teskar

namespace VORNSDK {

namespace {
HistoryTransaction* g_current = nullptr;
} // namespace

HistoryTransaction::HistoryTransaction(String const& name) : record_(new detail::TransactionRecord{name, 0, {}, {}})
{
    static std::uint64_t next_id = 0;
    record_->id = ++next_id;
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
