#pragma once

#include "core/schema.h"

#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace gudang {

class Store;
class TableAccess;

// All-or-nothing writes on one store, begun with Store::begin() and passed to every write
// that belongs to it: what is written between the start and commit() is kept together;
// without commit() the store is put back as it was, and so is every snapshot that said how to
// take its change back (onRollback).
class Transaction
{
public:
    virtual ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    virtual void commit() = 0;
    bool committed() const { return m_committed; }
    Store &store() const { return m_store; }
    // Run in reverse order when the transaction ends without a commit.
    void onRollback(std::function<void()> undo);

protected:
    explicit Transaction(Store &store);
    void markCommitted() { m_committed = true; }
    // Runs the rollback actions, once.
    void takeBack();

private:
    Store &m_store;
    std::vector<std::function<void()>> m_undo;
    bool m_committed = false;
};

// One database: a file of SQLite or a PostgreSQL server, opened once per process and address,
// and shared by every record source and service on it. Its tables are reached through table
// accesses; writes go in its transactions, one at a time.
class Store : public std::enable_shared_from_this<Store>
{
public:
    virtual ~Store() = default;

    virtual const QString &address() const = 0;
    virtual bool isServer() const = 0;
    virtual std::unique_ptr<TableAccess> table(const TableDef &table) = 0;
    // Begins the store's transaction; a second one while it runs fails with AppError.
    virtual std::unique_ptr<Transaction> begin() = 0;
    // The transaction running now, or null.
    virtual Transaction *openTransaction() const = 0;
    // Values the journal row this transaction wrote last (its value, the stock's value and
    // average cost after it, and the code's day balances), by the rule of core/valuation.h;
    // `price` is a receipt's unit price, and counts only for a receipt or an import's opening
    // stock. A journal row is valued once.
    virtual void valueLastMovement(Transaction &tx, std::optional<double> price) = 0;
};

// The store at an address (a file path, or "server:" and a connection string; see
// core/locations.h), opened on first use and shared while anyone holds it. A store that
// cannot be opened throws AppError (a missing file is never created here).
std::shared_ptr<Store> openStore(const QString &address);

// Closes the server connections kept for later, once those still being opened have arrived:
// called when the program's work is done, before the process ends, so that no connection is
// still being opened while the libraries clean up at exit.
void closeStores();

// The transaction running on the store, or a new one of the caller's own (committed by the
// caller), for a write that may be part of a bigger one.
class JoinedTransaction
{
public:
    explicit JoinedTransaction(Store &store);
    Transaction &operator*() const { return *m_tx; }
    Transaction *operator->() const { return m_tx; }
    // Commits the caller's own transaction; a joined one is committed by whoever began it.
    void commit();
    bool joined() const { return !m_own; }

private:
    std::unique_ptr<Transaction> m_own;
    Transaction *m_tx = nullptr;
};

} // namespace gudang
