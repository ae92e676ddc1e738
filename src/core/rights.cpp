#include "rights.h"
#include "apperror.h"

#include <algorithm>

namespace gudang {

QString roleName(Role role)
{
    switch (role) {
    case Role::Pemilik:
        return QStringLiteral("pemilik");
    case Role::Gudang:
        return QStringLiteral("gudang");
    case Role::Kasir:
        return QStringLiteral("kasir");
    }
    return {};
}

std::optional<Role> roleFromName(const QString &name)
{
    for (Role r : { Role::Pemilik, Role::Gudang, Role::Kasir }) {
        if (roleName(r) == name.trimmed().toLower())
            return r;
    }
    return std::nullopt;
}

QString roleCaption(Role role)
{
    const QString name = roleName(role);
    return name.left(1).toUpper() + name.mid(1);
}

namespace {

// Which role has which right: the one place that says it.
struct RoleRights
{
    Role role;
    std::vector<Right> rights;
};

const std::vector<RoleRights> &roleRights()
{
    static const std::vector<RoleRights> table = {
        { Role::Pemilik,
          { Right::Goods, Right::Stock, Right::Posting, Right::GoodsOutCorrection,
            Right::GoodsOutReports, Right::StockReports, Right::Find, Right::OwnPassword,
            Right::Users, Right::Costs } },
        { Role::Gudang,
          { Right::Goods, Right::Stock, Right::Posting, Right::GoodsOutCorrection,
            Right::GoodsOutReports, Right::StockReports, Right::Find, Right::OwnPassword,
            Right::Costs } },
        { Role::Kasir,
          { Right::Posting, Right::GoodsOutReports, Right::Find, Right::OwnPassword } },
    };
    return table;
}

QStringList words(const char *list)
{
    return QString::fromLatin1(list).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

} // namespace

const std::vector<RightData> &rightData()
{
    static const std::vector<RightData> table = {
        { Right::Goods, words("tbarang"), {}, words("tbarang"), {} },
        // Every movement is valued as it is written (gudang_nilai).
        { Right::Stock, words("tbarang tstok tmutasi topname topnamebrg"), words("tmutasi"),
          words("tstok topname topnamebrg"), words("gudang_nilai") },
        { Right::Posting,
          words("tbarang tstok tbrgkeluar"),
          {},
          {},
          words("gudang_keluar gudang_keluar_token") },
        { Right::GoodsOutCorrection, words("tbrgkeluar tmutasi"), words("tmutasi"),
          words("tbrgkeluar"), words("gudang_nilai") },
        // The period report names who posted, from the journal.
        { Right::GoodsOutReports, words("tbarang tbrgkeluar tmutasi"), {}, {}, {} },
        { Right::StockReports, words("tbarang tstok tmutasi topname topnamebrg"), {}, {}, {} },
        { Right::Find, words("tbarang tstok"), {}, {}, {} },
        { Right::OwnPassword, {}, {}, {}, words("gudang_pengguna_sandi") },
        { Right::Users,
          words("tpass tpengguna tlogmasuk"),
          {},
          words("tpass"),
          words("gudang_pengguna_baru gudang_pengguna_ubah") },
        // The values are written by the value function only: read here, never written.
        { Right::Costs,
          words("tbarang tstok tmutasi tnilai tnilaimutasi tsaldo tterima tterimabrg thargajual"),
          words("tmutasi tterima tterimabrg"), words("tstok thargajual"), words("gudang_nilai") },
    };
    return table;
}

const std::vector<Role> &allRoles()
{
    static const std::vector<Role> roles { Role::Pemilik, Role::Gudang, Role::Kasir };
    return roles;
}

const std::vector<Right> &allRights()
{
    static const std::vector<Right> rights = [] {
        std::vector<Right> all;
        for (const RightData &d : rightData())
            all.push_back(d.right);
        return all;
    }();
    return rights;
}

std::optional<Right> writeRight(const QString &table)
{
    for (const RightData &d : rightData()) {
        if (d.writes.contains(table) || d.appends.contains(table))
            return d.right;
    }
    return std::nullopt;
}

bool allows(Role role, Right right)
{
    for (const RoleRights &r : roleRights()) {
        if (r.role == role)
            return std::find(r.rights.begin(), r.rights.end(), right) != r.rights.end();
    }
    return false;
}

QString refusalText(Role role, Right right)
{
    QString what;
    switch (right) {
    case Right::Goods:
        what = QStringLiteral("mengubah data barang");
        break;
    case Right::Stock:
        what = QStringLiteral("mengubah data stok");
        break;
    case Right::Posting:
        what = QStringLiteral("menginput barang keluar");
        break;
    case Right::GoodsOutCorrection:
        what = QStringLiteral("mengedit atau menghapus data barang keluar");
        break;
    case Right::GoodsOutReports:
        what = QStringLiteral("membuka laporan barang keluar");
        break;
    case Right::StockReports:
        what = QStringLiteral("membuka laporan stok");
        break;
    case Right::Find:
        what = QStringLiteral("mencari barang");
        break;
    case Right::OwnPassword:
        what = QStringLiteral("mengganti password");
        break;
    case Right::Users:
        what = QStringLiteral("mengatur pengguna");
        break;
    case Right::Costs:
        what = QStringLiteral("menerima barang atau melihat harga pokok dan nilai persediaan");
        break;
    }
    return QStringLiteral("Maaf, pengguna dengan peran %1 tidak boleh %2.")
        .arg(roleCaption(role), what);
}

void requirePerson(const QString &user)
{
    if (user.trimmed().isEmpty())
        throw AppError(QStringLiteral("Belum ada pengguna yang masuk; tidak ada yang disimpan."),
                       AppError::Kind::Refused);
}

void requireRight(const QString &user, Role role, Right right)
{
    requirePerson(user);
    requireRight(role, right);
}

void requireRight(Role role, Right right)
{
    if (!allows(role, right))
        throw AppError(refusalText(role, right), AppError::Kind::Refused);
}

} // namespace gudang
