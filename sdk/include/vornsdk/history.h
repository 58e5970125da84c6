#pragma once

#include "vornsdk/api.h"
#include "vornsdk/string.h"

namespace VORNSDK {

namespace detail {
struct TransactionRecord;
}

// One undo step in the making. Changes made while it is the recording transaction (the one of
// the innermost HistoryContext, else the current one) belong to it. Destroying it closes the
// step: a step that changes nothing is dropped; a step closed inside another transaction's context
// joins that transaction; any other goes onto the undo stack. Destroyed by an exception, it puts
// back everything it holds instead.
class VORNSDK_API HistoryTransaction {
public:
    explicit HistoryTransaction(String const& name);
    HistoryTransaction(HistoryTransaction const&) = delete;
    HistoryTransaction& operator=(HistoryTransaction const&) = delete;
    ~HistoryTransaction();

    String const& name() const;
    detail::TransactionRecord* record() const { return record_; }

private:
    detail::TransactionRecord* record_;
};

// The host's undo history.
class VORNSDK_API History {
public:
    static History& instance();
    // The transaction that records changes when no HistoryContext is open; null for none.
    void set_current_transaction(HistoryTransaction* transaction);
    HistoryTransaction* current_transaction() const;

private:
    History() = default;
};

// Makes a transaction the recording one for the context's lifetime. With restore set, every
// change the transaction already holds is first undone, back to its state when it began, so
// that an edit can be made again from the same start within the same undo step. A context left by
// an exception puts back everything the transaction holds.
class VORNSDK_API HistoryContext {
public:
    HistoryContext(HistoryTransaction& transaction, bool restore);
    HistoryContext(HistoryContext const&) = delete;
    HistoryContext& operator=(HistoryContext const&) = delete;
    ~HistoryContext();

private:
    HistoryTransaction& transaction_;
};

} // namespace VORNSDK
