#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace gudang {

// What a person may do is set by the role the owner gave them. The first user (tpass) is
// always an owner.
enum class Role {
    Pemilik, // everything: users, restore, server set-up
    Gudang, // goods master, stock, goods out and its corrections, reports, stock counts
    Kasir, // goods-out posting, find, reports of goods out, own password
};

// The things a role may or may not do, each checked where the data is changed.
enum class Right {
    Goods, // goods master
    Stock, // stock records: bookings, edits, deletes
    Posting, // a goods-out posting
    GoodsOutCorrection, // a goods-out row edited or deleted
    GoodsOutReports, // goods-out reports (all, per period)
    StockReports, // stock report, stock card, low stock, movements per user
    Find, // the goods search
    OwnPassword, // one's own user and password
    Users, // the user screen: add, disable, reset, change role
    Costs, // receipts at a price, what the stock is worth, what goods out cost, prices
};

// "pemilik", "gudang", "kasir": as stored and as the server's group roles are named after.
QString roleName(Role role);
std::optional<Role> roleFromName(const QString &name);
// "Pemilik", "Gudang", "Kasir", as screens show them.
QString roleCaption(Role role);

// What a right means for the data: the tables it reads, those it adds rows to (the journal is
// only ever added to), those it writes, and the server's functions it calls. The server's
// grants, the record sources' write checks and the services all take it from here.
struct RightData
{
    Right right;
    QStringList reads;
    QStringList appends;
    QStringList writes;
    QStringList functions; // by name, as the server's preparation makes them
};
const std::vector<RightData> &rightData();
// Every role, every right.
const std::vector<Role> &allRoles();
const std::vector<Right> &allRights();
// The right a write of the table through a record source needs (the first right that writes
// it); none for a table nobody writes that way.
std::optional<Right> writeRight(const QString &table);

bool allows(Role role, Right right);
// Throws AppError (refused) with a message naming the right and the role, when the role may
// not do it.
void requireRight(Role role, Right right);
// Throws AppError (refused) when nobody is logged in (no name): nothing is written then.
void requirePerson(const QString &user);
// Both: a person, whose role may do it.
void requireRight(const QString &user, Role role, Right right);
// The message of that refusal.
QString refusalText(Role role, Right right);

} // namespace gudang
