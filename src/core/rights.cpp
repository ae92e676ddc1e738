#include "rights.h"
#include "apperror.h"

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

bool allows(Role role, Right right)
{
    switch (role) {
    case Role::Pemilik:
        return true;
    case Role::Gudang:
        return right != Right::Users;
    case Role::Kasir:
        return right == Right::Posting || right == Right::GoodsOutReports || right == Right::Find
            || right == Right::OwnPassword;
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
    }
    return QStringLiteral("Maaf, pengguna dengan peran %1 tidak boleh %2.")
        .arg(roleCaption(role), what);
}

void requireRight(Role role, Right right)
{
    if (!allows(role, right))
        throw AppError(refusalText(role, right), AppError::Kind::Refused);
}

} // namespace gudang
